#include "app/program_list_delegate.h"

#include <algorithm>

namespace lintrove::app {
namespace {

constexpr int kRowHeight = 16;

}  // namespace

void ProgramListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->checkState != Qt::Checked) return;
  option->font.setStrikeOut(true);
  option->palette.setBrush(QPalette::Text,
                           option->palette.brush(QPalette::Disabled, QPalette::Text));
}

QSize ProgramListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
  // A user's large font would be cut off in a row of fixed height.
  const int height = std::max(kRowHeight, option.fontMetrics.height());
  return {QStyledItemDelegate::sizeHint(option, index).width(), height};
}

}  // namespace lintrove::app
