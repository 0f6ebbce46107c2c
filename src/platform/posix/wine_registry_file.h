#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/regfile/reg_tree.h"

namespace lintrove::platform {

// One of Wine's registry files (system.reg, user.reg), as read.
struct WineRegistryFile {
  RegKey tree{""};
  // Where the keys of the file hang below the registry's top, from its ";; All keys relative to"
  // line: "Machine" or "User\<sid>"; empty when the file does not say.
  std::string base;
  // From "#arch=win32" or "#arch=win64"; none when the file has no such line.
  std::optional<bool> win64;
  // Keys marked "#link": where their SymbolicLinkValue points, below this file's own root. A link
  // to a key of another file is left a plain key.
  std::unordered_map<const RegKey*, std::vector<std::string>> links;

  // The key at path below the root, links followed; null when there is none.
  const RegKey* FindKey(std::span<const std::string> path) const;
};

inline constexpr std::string_view kWineRegistryHeader = "WINE REGISTRY Version 2";

// Reads a file in Wine's own registry format: its header line, key lines "[path] seconds" with
// the options "#time=", "#class=" and "#link" after them, values as "string", str(N):"string",
// dword:, hex: and hex(N):, Wine's string escapes (\n, \x1234, octal, ...). source names the
// file in error messages; a fault is an Error naming it and the line.
WineRegistryFile ParseWineRegistryFile(std::span<const std::uint8_t> bytes,
                                       std::string_view source);

}  // namespace lintrove::platform
