#pragma once

#include <QSortFilterProxyModel>

#include "flows/status_filter.h"

namespace lintrove::app {

class ProgramListModel;

// The rows of the program list the status filter lets through, in the list's order. Rows it
// hides are left out of the view altogether, so that neither the cursor keys nor type-ahead
// can land on one.
class ProgramListFilterModel : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit ProgramListFilterModel(ProgramListModel& rows, QObject* parent = nullptr);

  // Sorts the rows out anew unless the filter is the one in force.
  void SetFilter(const StatusFilter& filter);

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  const ProgramListModel& rows_;
  StatusFilter filter_;
};

}  // namespace lintrove::app
