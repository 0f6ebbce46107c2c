#include "app/program_list_model.h"

#include "app/status_images.h"

#include <unordered_map>
#include <utility>

namespace lintrove::app {
namespace {

constexpr std::size_t kStatusCount = 4;

// The status as an index into the four images and words; kStatusCount for any other value.
std::size_t StatusIndex(ProgramStatus status) {
  const auto index = static_cast<std::size_t>(status);
  return index < kStatusCount ? index : kStatusCount;
}

}  // namespace

ProgramListModel::ProgramListModel(QObject* parent) : QAbstractListModel(parent) {
  for (std::size_t i = 0; i < kStatusCount; ++i) {
    icons_[i] = StatusIcon(static_cast<ProgramStatus>(i));
  }
}

void ProgramListModel::Fill(const VerdictList& records, const IgnoreMarks* marks) {
  std::vector<const ProgramVerdict*> sorted;
  sorted.reserve(static_cast<std::size_t>(records.Count()));
  std::unordered_map<const ProgramVerdict*, int> positions;
  positions.reserve(sorted.capacity());
  for (const auto& record : records) {
    positions.emplace(record.get(), static_cast<int>(sorted.size()));
    sorted.push_back(record.get());
  }
  SortByDisplayName(sorted);

  std::vector<Row> rows;
  rows.reserve(sorted.size());
  for (const ProgramVerdict* verdict : sorted) {
    std::string identifier = verdict->program->GetIdentifier();
    const bool checked = marks && marks->IsIgnored(identifier);
    rows.push_back({positions.at(verdict), QString::fromStdString(verdict->DisplayName()),
                    std::move(identifier), verdict->status, checked});
  }
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void ProgramListModel::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

int ProgramListModel::RecordAt(int row) const {
  return rows_[static_cast<std::size_t>(row)].record;
}

ProgramStatus ProgramListModel::StatusAt(int row) const {
  return rows_[static_cast<std::size_t>(row)].status;
}

bool ProgramListModel::IsChecked(int row) const {
  return rows_[static_cast<std::size_t>(row)].checked;
}

void ProgramListModel::RestoreCheck(int record, bool checked) {
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    if (rows_[row].record != record) continue;
    rows_[row].checked = checked;
    const QModelIndex changed = index(static_cast<int>(row));
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
    return;
  }
}

void ProgramListModel::SetStatusNames(const std::array<QString, 4>& names) {
  statusNames_ = names;
  if (!rows_.empty()) {
    emit dataChanged(index(0), index(rowCount() - 1), {Qt::AccessibleDescriptionRole});
  }
}

int ProgramListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ProgramListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
    return {};
  }
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  const std::size_t status = StatusIndex(row.status);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return row.name;
    case Qt::DecorationRole:
      return status < kStatusCount ? QVariant(icons_[status]) : QVariant();
    case Qt::CheckStateRole:
      return row.checked ? Qt::Checked : Qt::Unchecked;
    case Qt::AccessibleDescriptionRole:
      return status < kStatusCount ? statusNames_[status] : QString();
    default:
      return {};
  }
}

bool ProgramListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole ||
      !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
    return false;
  }
  Row& row = rows_[static_cast<std::size_t>(index.row())];
  const bool checked = static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked;
  if (checked == row.checked) return true;
  row.checked = checked;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  emit ignoreToggled(row.record, row.identifier, checked);
  return true;
}

Qt::ItemFlags ProgramListModel::flags(const QModelIndex& index) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
    return Qt::NoItemFlags;
  }
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
         Qt::ItemNeverHasChildren;
}

}  // namespace lintrove::app
