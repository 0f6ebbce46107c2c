#pragma once

namespace lintrove::app {

// The desktop client from its command line to its exit code; main() is only this call. It
// makes the application object unless one exists already (a test's), and reaches the settings
// through TClientSettings::Instance() and TSystemSettings::Instance().
int RunApplication(int& argc, char** argv);

}  // namespace lintrove::app
