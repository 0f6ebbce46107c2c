#pragma once

#include "startup/startup.h"

namespace lintrove::app {

// Start-up's questions, main window and fatal errors on Qt; the application object exists.
class QtStartupUi final : public StartupUi {
 public:
  bool Confirm(const std::string& question) override;
  void RunMainWindow() override;
  void ShowFatalError(const std::string& text) override;
};

}  // namespace lintrove::app
