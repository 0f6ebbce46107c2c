#include "app/run_application.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/qt_startup_ui.h"
#include "app/window_translation.h"
#include "platform/download_directory.h"
#include "startup/command_line.h"
#include "startup/startup.h"

namespace lintrove::app {

int RunApplication(int& argc, char** argv) {
  const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
  const StartupOptions options = ParseStartupArguments(arguments);
  // Answered before the toolkit starts, so that they work without a display.
  if (PrintInformation(options, argc > 0 ? argv[0] : "lintrove", std::cout)) return 0;

  // Setups an earlier run downloaded and started are done with by now.
  platform::RemoveEarlierDownloads();
  std::optional<Application> application;
  // The embedded browser shares its graphics contexts, which must be asked for first.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (QApplication::instance() == nullptr) application.emplace(argc, argv);
  InstallWindowTranslation();
  QtStartupUi ui(WinePrefixArgument(arguments));
  return RunClient(options, ui, std::cerr);
}

}  // namespace lintrove::app
