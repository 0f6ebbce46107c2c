#include "app/program_list_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace lintrove::app {
namespace {

constexpr int kRowHeight = 16;

}  // namespace

void ProgramListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QWidget* widget = option.widget;
  const QStyle* style = widget ? widget->style() : QApplication::style();
  // On the selection colour a muted name would be hard to read; struck out, it is told apart.
  if (item.checkState != Qt::Checked || (item.state & QStyle::State_Selected)) {
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    return;
  }
  // Styles draw the check mark in the text colour as well, so the row is drawn twice: in its
  // own colours but for the name, then the name alone in the muted colour.
  const QRect name = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
  painter->save();
  painter->setClipRegion(QRegion(item.rect).subtracted(name), Qt::IntersectClip);
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
  painter->restore();

  item.palette.setBrush(QPalette::Text, item.palette.brush(QPalette::Disabled, QPalette::Text));
  painter->save();
  painter->setClipRect(name, Qt::IntersectClip);
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
  painter->restore();
}

QSize ProgramListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
  // A user's large font would be cut off in a row of fixed height.
  const int height = std::max(kRowHeight, option.fontMetrics.height());
  return {QStyledItemDelegate::sizeHint(option, index).width(), height};
}

void ProgramListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->checkState == Qt::Checked) option->font.setStrikeOut(true);
}

}  // namespace lintrove::app
