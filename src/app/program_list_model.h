#pragma once

#include <QAbstractListModel>
#include <QIcon>
#include <QString>
#include <array>
#include <vector>

#include "protocol/verdict_records.h"
#include "settings/ignore_marks.h"

namespace lintrove::app {

// The rows of the program list: one per record, sorted by display name, each with the record's
// status image and a check box that marks the program as ignored. The records live elsewhere
// and must outlive the rows.
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

  const ProgramVerdict* VerdictAt(int row) const;
  bool IsChecked(int row) const;

  // The words for the statuses (index = ProgramStatus) the rows' accessible descriptions give.
  void SetStatusNames(const std::array<QString, 4>& names);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  void ignoreToggled(const lintrove::ProgramVerdict* verdict, bool ignored);

 private:
  struct Row {
    const ProgramVerdict* verdict;
    QString name;  // converted once: it is drawn and searched far more often than filled
    bool checked;
  };

  std::vector<Row> rows_;
  std::array<QIcon, 4> icons_;
  std::array<QString, 4> statusNames_;
};

}  // namespace lintrove::app
