#pragma once

#include <optional>
#include <string>

#include "startup/startup.h"

namespace lintrove::app {

// Start-up's questions, main window and fatal errors on Qt; the application object exists.
class QtStartupUi final : public StartupUi {
 public:
  // winePrefix: the directory of a Wine prefix whose programs the window shows.
  explicit QtStartupUi(std::optional<std::string> winePrefix = std::nullopt)
      : winePrefix_(std::move(winePrefix)) {}

  bool Confirm(const std::string& question) override;
  void RunMainWindow() override;
  void ShowFatalError(const std::string& text) override;

 private:
  std::optional<std::string> winePrefix_;
};

}  // namespace lintrove::app
