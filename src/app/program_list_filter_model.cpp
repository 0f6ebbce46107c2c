#include "app/program_list_filter_model.h"

#include "app/program_list_model.h"

namespace lintrove::app {

ProgramListFilterModel::ProgramListFilterModel(ProgramListModel& rows, QObject* parent)
    : QSortFilterProxyModel(parent), rows_(rows) {
  // A row's status changes only with a rebuild, so a changed check needs no new look.
  setDynamicSortFilter(false);
  setSourceModel(&rows);
}

void ProgramListFilterModel::SetFilter(const StatusFilter& filter) {
  if (filter == filter_) return;
  filter_ = filter;
  invalidateFilter();
}

bool ProgramListFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  return filter_.Shows(rows_.StatusAt(sourceRow));
}

}  // namespace lintrove::app
