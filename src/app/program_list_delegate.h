#pragma once

#include <QStyledItemDelegate>

namespace lintrove::app {

// Draws the rows of the program list: an ignored (checked) program struck out in the muted
// colour of inactive text, every row 16 pixels high unless the font needs more.
class ProgramListDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // Public so that what a row is drawn with can be inspected.
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace lintrove::app
