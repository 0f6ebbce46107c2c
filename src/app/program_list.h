#pragma once

#include <QListView>
#include <QString>
#include <array>
#include <vector>

#include "flows/status_filter.h"
#include "platform/registry.h"
#include "protocol/verdict_records.h"

namespace lintrove::app {

class ProgramListFilterModel;
class ProgramListModel;

// The list of scanned programs (objectName "vst_programme"): one row per record, sorted by
// name, with the status image and a check box that marks the program as ignored. Shows records
// it does not own; they must stay until the next Fill or Clear.
//
// A check the user changes is stored as the program's ignore mark at once; a write that fails
// is shown in the error box and the check keeps its new state.
class ProgramList : public QListView {
  Q_OBJECT

 public:
  explicit ProgramList(QWidget* parent = nullptr,
                       platform::RegistryBackend& registry = platform::SystemRegistry());

  // Rebuilds the rows from the records: reads the ignore marks once (marks that cannot be read
  // count as absent), sorts by name and applies the filter. Writes nothing to the registry.
  // Nothing is selected afterwards.
  void Fill(const VerdictList& records, const StatusFilter& filter);
  // No rows, no selection.
  void Clear();
  // Shows and hides rows in place: no re-sort, no re-read of the marks, checks kept, and the
  // selection too unless the filter hides the selected row.
  void ApplyFilter(const StatusFilter& filter);

  // The program of every unchecked row in list order, hidden rows included: the programs of an
  // update check, whose positions are their IDs.
  std::vector<const Program*> CollectPrograms() const;
  // The selected row's record, or null.
  const ProgramVerdict* CurrentVerdict() const;

  // The words for the statuses (index = ProgramStatus) in the rows' accessible descriptions.
  void SetStatusNames(const std::array<QString, 4>& names);

 signals:
  void currentVerdictChanged(const lintrove::ProgramVerdict* verdict);  // null when none

 private:
  void StoreIgnoreMark(const ProgramVerdict* verdict, bool ignored);
  void AnnounceCurrentVerdict();

  platform::RegistryBackend& registry_;
  ProgramListModel* rows_;
  ProgramListFilterModel* shown_;
  const ProgramVerdict* announced_ = nullptr;
};

}  // namespace lintrove::app
