// A program of its own, with a version resource of its own, for the tests to start: it tells
// what the client's start-up would learn about itself and its system.
#include <iostream>

#include "inventory/platform_facts.h"
#include "platform/client_version.h"
#include "platform/system_info.h"

int main() {
  std::cout << lintrove::ClientVersion() << '\n'
            << lintrove::platform::ExecutablePath() << '\n'
            << lintrove::GetWindowsVersionString() << '\n';
  return 0;
}
