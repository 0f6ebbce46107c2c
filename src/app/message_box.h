#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace lintrove::app {

// The program's message boxes, all captioned with the application title. A test answers the
// next one with SetNextAnswer: that box is not shown, and what it would have shown is kept for
// the test to read.
class MessageBox {
 public:
  struct Shown {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QStringList buttonTexts;  // in the order Yes, No, OK
  };

  // With the buttons Yes and No; true for Yes.
  static bool AskYesNo(QWidget* parent, const QString& text);
  // With a stop icon and OK.
  static void ShowError(QWidget* parent, const QString& text);
  // With an information icon and OK.
  static void ShowInformation(QWidget* parent, const QString& text);

  // A box that does not wait: it opens modal to its window, and `answered` runs with the button
  // that closed it. The test hook answers it at once.
  static void Open(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                   QMessageBox::StandardButtons buttons,
                   std::function<void(QMessageBox::StandardButton)> answered);

  static void SetNextAnswer(QMessageBox::StandardButton answer);
  // The box the last answer given by SetNextAnswer went to, forgotten once taken.
  static std::optional<Shown> TakeAnswered();
  // Forgets an answer no box has taken and the box answered last.
  static void ResetTestHook();

 private:
  static QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon,
                                          const QString& text,
                                          QMessageBox::StandardButtons buttons);
};

}  // namespace lintrove::app
