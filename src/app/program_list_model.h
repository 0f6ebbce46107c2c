#pragma once

#include <QAbstractListModel>
#include <QIcon>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "protocol/verdict_records.h"
#include "settings/ignore_marks.h"

namespace lintrove::app {

// The rows of the program list: one per record, sorted by display name, each with the record's
// status image and a check box that marks the program as ignored. A row holds what it shows (a
// copy of the record's name, status and program identity) and the record's position; it never
// points into the records, so they may change or go while the rows are painted.
//
// Only the user changes a check through setData, and each such change is announced by
// ignoreToggled so the mark can be stored; Fill sets the checks from the stored marks without
// announcing them.
class ProgramListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit ProgramListModel(QObject* parent = nullptr);

  // Replaces the rows: the records sorted, each checked when marks holds a mark for its
  // program. Without marks every row starts unchecked.
  void Fill(const VerdictList& records, const IgnoreMarks* marks);
  void Clear();

  // The position in the records of the row's record.
  int RecordAt(int row) const;
  ProgramStatus StatusAt(int row) const;
  bool IsChecked(int row) const;
  // Puts the check back as the stored mark has it, without announcing it.
  void RestoreCheck(int record, bool checked);

  // The words for the statuses (index = ProgramStatus) the rows' accessible descriptions give.
  void SetStatusNames(const std::array<QString, 4>& names);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // The user ticked or unticked the record's row; `identifier` is its program's.
  void ignoreToggled(int record, const std::string& identifier, bool ignored);

 private:
  struct Row {
    int record;
    QString name;  // converted once: it is drawn and searched far more often than filled
    std::string identifier;
    ProgramStatus status;
    bool checked;
  };

  std::vector<Row> rows_;
  std::array<QIcon, 4> icons_;
  std::array<QString, 4> statusNames_;
};

}  // namespace lintrove::app
