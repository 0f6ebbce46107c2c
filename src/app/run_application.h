#pragma once

namespace lintrove::app {

// The desktop client from its command line to its exit code; main() is only this call. It
// makes the application object unless one exists already (a test's), and reaches the settings
// through ClientSettings::Instance() and SystemSettings::Instance().
int RunApplication(int& argc, char** argv);

}  // namespace lintrove::app
