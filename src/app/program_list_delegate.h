#pragma once

#include <QStyledItemDelegate>

namespace lintrove::app {

// Draws the rows of the program list: the name of an ignored (checked) program struck out and
// in the muted colour of inactive text (in the selection colours when selected), its check box
// and image as on any row; every row 16
// pixels high unless the font needs more.
class ProgramListDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace lintrove::app
