#pragma once

#include <string>

namespace lintrove::platform {

// The full path of the running executable, as the system reports it for the process.
std::string ExecutablePath();

}  // namespace lintrove::platform
