#include "app/program_list.h"

#include <optional>

#include "app/error_box.h"
#include "app/program_list_delegate.h"
#include "app/program_list_filter_model.h"
#include "app/program_list_model.h"
#include "base/error.h"
#include "settings/ignore_marks.h"

namespace lintrove::app {
namespace {

// Holds back repainting while the rows are rebuilt, and lets it go again however that ends.
class RepaintSuspended {
 public:
  explicit RepaintSuspended(QWidget& widget)
      : widget_(widget), wasEnabled_(widget.updatesEnabled()) {
    widget_.setUpdatesEnabled(false);
  }
  ~RepaintSuspended() { widget_.setUpdatesEnabled(wasEnabled_); }
  RepaintSuspended(const RepaintSuspended&) = delete;
  RepaintSuspended& operator=(const RepaintSuspended&) = delete;

 private:
  QWidget& widget_;
  bool wasEnabled_;
};

}  // namespace

ProgramList::ProgramList(QWidget* parent, platform::RegistryBackend& registry)
    : QListView(parent),
      registry_(registry),
      rows_(new ProgramListModel(this)),
      shown_(new ProgramListFilterModel(*rows_, this)) {
  setObjectName(QStringLiteral("vst_programme"));
  setAccessibleName(QStringLiteral("Programme"));
  setItemDelegate(new ProgramListDelegate(this));
  setModel(shown_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setIconSize({16, 16});
  connect(rows_, &ProgramListModel::ignoreToggled, this, &ProgramList::StoreIgnoreMark);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &ProgramList::AnnounceCurrentRecord);
}

void ProgramList::Fill(const VerdictList& records, const StatusFilter& filter) {
  {
    RepaintSuspended suspended(*this);
    // The filter first, on no rows: applied to the old ones it would sort them out for nothing.
    rows_->Clear();
    shown_->SetFilter(filter);
    // A store that cannot be read means no marks: every program then takes part in update
    // checks, as after a first start.
    std::optional<IgnoreMarks> marks;
    try {
      marks.emplace(registry_);
    } catch (const Error&) {
      marks.reset();
    }
    rows_->Fill(records, marks ? &*marks : nullptr);
  }
  AnnounceCurrentRecord();
}

void ProgramList::Clear() {
  rows_->Clear();
  AnnounceCurrentRecord();
}

void ProgramList::ApplyFilter(const StatusFilter& filter) {
  shown_->SetFilter(filter);
  AnnounceCurrentRecord();
}

std::vector<int> ProgramList::UncheckedRecords() const {
  std::vector<int> records;
  for (int row = 0, rows = rows_->rowCount(); row < rows; ++row) {
    if (!rows_->IsChecked(row)) records.push_back(rows_->RecordAt(row));
  }
  return records;
}

int ProgramList::CurrentRecord() const {
  const QModelIndexList selected = selectionModel()->selectedRows();
  if (selected.isEmpty()) return -1;
  return rows_->RecordAt(shown_->mapToSource(selected.first()).row());
}

void ProgramList::SetStatusNames(const std::array<QString, 4>& names) {
  rows_->SetStatusNames(names);
}

void ProgramList::StoreIgnoreMark(int record, const std::string& identifier, bool ignored) {
  try {
    IgnoreMarks::SetIgnored(identifier, ignored, registry_);
  } catch (const std::exception& error) {
    // Back to what is stored before the error is shown.
    rows_->RestoreCheck(record, !ignored);
    ShowEscapedError(window(), error);
  }
}

// A model reset clears the selection without a signal, so a rebuild announces it as well.
void ProgramList::AnnounceCurrentRecord() {
  const int current = CurrentRecord();
  if (current == announced_) return;
  announced_ = current;
  emit currentRecordChanged(current);
}

}  // namespace lintrove::app
