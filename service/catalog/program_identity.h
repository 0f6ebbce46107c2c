#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "catalog/service_request.h"

namespace lintrove::service {

// How the catalog recognises a program across clients and versions (docs/service.md).
struct ProgramIdentity {
  // "registry:<key>|<publisher>", "installer:<UpgradeCode>" or "installer:<name>|<publisher>",
  // each part normalised: the catalog's key of the program.
  std::string key;
  std::string name;       // to show: the name without version numbers and architecture words
  std::string publisher;  // to show: as sent, trimmed
};

// None for a program the rules cannot recognise: an unknown class, or no name left.
std::optional<ProgramIdentity> IdentifyProgram(const SentProgram& program);

// The installed version as the client shows it: DisplayVersion or VersionString.
std::string InstalledVersion(const SentProgram& program);

// The name without the tokens that are version numbers ("23.01", "v2.1.3", "1.2.0-rc1") or
// architecture words ("x64", "(64-bit)", "32 bit"), brackets left empty by that and blanks at
// the ends.
std::string NameWithoutVersion(std::string_view name);

// "{8C4F0B0E-...}" with 32 hexadecimal digits: the shape of client GUIDs and installer codes.
bool IsBracedGuid(std::string_view text);
std::string UpperAscii(std::string_view text);

// The stable hexadecimal identity of a program sent as its "Hash": 64-bit FNV-1a of the key.
std::string IdentityHash(std::string_view key);

}  // namespace lintrove::service
