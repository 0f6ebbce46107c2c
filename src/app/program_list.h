#pragma once

#include <QListView>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "flows/status_filter.h"
#include "platform/registry.h"
#include "protocol/verdict_records.h"

namespace lintrove::app {

class ProgramListFilterModel;
class ProgramListModel;

// The list of scanned programs (objectName "vst_programme"): one row per record, sorted by
// name, with the status image and a check box that marks the program as ignored. It keeps what
// it shows of the records (see ProgramListModel) and names records by their position, so the
// records may change or go while the list is on screen.
//
// A check the user changes is stored as the program's ignore mark at once; a write that fails
// is shown in the error box and the check goes back, so the list always shows the stored marks,
// which decide what an update check sends.
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

  // The record of every unchecked row in list order, hidden rows included.
  std::vector<int> UncheckedRecords() const;
  // The position in the records of the selected row's record, or -1.
  int CurrentRecord() const;

  // The words for the statuses (index = ProgramStatus) in the rows' accessible descriptions.
  void SetStatusNames(const std::array<QString, 4>& names);

 signals:
  void currentRecordChanged(int record);  // -1 when none

 private:
  void StoreIgnoreMark(int record, const std::string& identifier, bool ignored);
  void AnnounceCurrentRecord();

  platform::RegistryBackend& registry_;
  ProgramListModel* rows_;
  ProgramListFilterModel* shown_;
  int announced_ = -1;
};

}  // namespace lintrove::app
