// The main window's File > Export: the record of the last check, saved where the user says.

#include <filesystem>

#include "app/app_texts.h"
#include "app/main_window.h"
#include "app/save_file_dialog.h"
#include "flows/check_record_file.h"

namespace lintrove::app {

void MainWindow::ExportCheck() {
  if (Busy() || !lastCheck_) return;
  // In the order of CheckRecordFormat.
  const QStringList filters{ResText(ResString::ExportCsvFiles) + QStringLiteral(" (*.csv)"),
                            ResText(ResString::ExportJsonFiles) + QStringLiteral(" (*.json)")};
  const auto answer = SaveFileDialog::Ask(this, ResText(ResString::ExportCaption), filters);
  if (!answer) return;
  const std::filesystem::path written =
      ExportCheckRecord(*lastCheck_, std::filesystem::path(answer->file.toStdU16String()),
                        answer->filter == 1 ? CheckRecordFormat::Json : CheckRecordFormat::Csv);
  SetStatus(ResText(ResString::CheckExported)
                .replace(QStringLiteral("%s"), QString::fromStdU16String(written.u16string())));
}

}  // namespace lintrove::app
