#pragma once

#include <QApplication>

namespace lintrove::app {

// The application object of the desktop client. Handlers guard themselves (RunGuarded); an
// error that still reaches the event dispatch is shown here rather than ending the program.
class Application : public QApplication {
  Q_OBJECT

 public:
  Application(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace lintrove::app
