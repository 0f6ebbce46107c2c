#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace lintrove::app {

// Asks for the name of a file to save. A test answers the next question with SetNextAnswer: no
// dialog is shown, and what it would have shown is kept for the test to read.
class SaveFileDialog {
 public:
  struct Answer {
    QString file;
    int filter = 0;  // the index of the filter chosen
  };
  struct Asked {
    QString caption;
    QStringList filters;
  };

  // filters as Qt writes them ("CSV files (*.csv)"); none when the user cancels.
  static std::optional<Answer> Ask(QWidget* parent, const QString& caption,
                                   const QStringList& filters);

  // nullopt answers as a cancel does.
  static void SetNextAnswer(std::optional<Answer> answer);
  // The question the last answer given by SetNextAnswer went to, forgotten once taken.
  static std::optional<Asked> TakeAsked();
  static void ResetTestHook();
};

}  // namespace lintrove::app
