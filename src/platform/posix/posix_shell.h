#pragma once

#include <filesystem>
#include <memory>

#include "platform/shell.h"

namespace lintrove::platform {

// SystemShell, but Windows programs run in the Wine prefix `prefix` (WINEPREFIX), whatever
// prefix this process's environment names.
std::unique_ptr<Shell> WinePrefixShell(const std::filesystem::path& prefix);

}  // namespace lintrove::platform
