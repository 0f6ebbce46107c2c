#include "platform/registry_types.h"

#include <array>
#include <utility>

#include "base/text.h"

namespace lintrove::platform {
std::string_view RootKeyName(RootKey root) {
  return root == RootKey::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::optional<RootKey> ParseRootKeyName(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, RootKey>, 4> kNames = {{
      {"HKEY_CURRENT_USER", RootKey::CurrentUser},
      {"HKCU", RootKey::CurrentUser},
      {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
      {"HKLM", RootKey::LocalMachine},
  }};
  for (const auto& [text, root] : kNames) {
    if (EqualsIgnoringAsciiCase(name, text)) return root;
  }
  return std::nullopt;
}

}  // namespace lintrove::platform
