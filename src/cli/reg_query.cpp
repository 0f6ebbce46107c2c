#include <cinttypes>
#include <cstdio>
#include <ostream>

#include "base/text.h"
#include "reg_operations.h"

namespace lintrove::cli {
namespace {

using platform::RegistryData;
namespace RegType = platform::RegType;

constexpr std::string_view kNotFound =
    "The system was unable to find the specified registry key or value.";

std::string TypeName(std::uint32_t type) {
  switch (type) {
    case RegType::None:
      return "REG_NONE";
    case RegType::Sz:
      return "REG_SZ";
    case RegType::ExpandSz:
      return "REG_EXPAND_SZ";
    case RegType::Binary:
      return "REG_BINARY";
    case RegType::Dword:
      return "REG_DWORD";
    case RegType::DwordBigEndian:
      return "REG_DWORD_BIG_ENDIAN";
    case RegType::Link:
      return "REG_LINK";
    case RegType::MultiSz:
      return "REG_MULTI_SZ";
    case 8:
      return "REG_RESOURCE_LIST";
    case 9:
      return "REG_FULL_RESOURCE_DESCRIPTOR";
    case 10:
      return "REG_RESOURCE_REQUIREMENTS_LIST";
    case RegType::Qword:
      return "REG_QWORD";
  }
  char text[16];
  std::snprintf(text, sizeof text, "0x%" PRIx32, type);
  return text;
}

std::uint64_t LittleEndian(const std::vector<std::uint8_t>& data) {
  std::uint64_t value = 0;
  for (std::size_t i = data.size(); i-- > 0;) value = (value << 8) | data[i];
  return value;
}

// The strings of a REG_SZ-like value, split at its NULs, trailing empty ones dropped.
std::vector<std::string> Strings(const std::vector<std::uint8_t>& data) {
  std::vector<std::string> strings;
  std::size_t start = 0;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    if (data[i] != 0 || data[i + 1] != 0) continue;
    strings.push_back(Utf16LeToUtf8(std::span(data).subspan(start, i - start)));
    start = i + 2;
  }
  if (start < data.size()) strings.push_back(Utf16LeToUtf8(std::span(data).subspan(start)));
  while (!strings.empty() && strings.back().empty()) strings.pop_back();
  return strings;
}

std::string DataText(const RegistryData& value) {
  char number[24];
  switch (value.type) {
    case RegType::Sz:
    case RegType::ExpandSz: {
      auto strings = Strings(value.data);
      return strings.empty() ? std::string() : strings.front();
    }
    case RegType::MultiSz: {
      std::string text;
      for (const std::string& line : Strings(value.data))
        text += (text.empty() ? "" : "\\0") + line;
      return text;
    }
    case RegType::Dword:
    case RegType::Qword:
      if (value.data.size() != (value.type == RegType::Dword ? 4u : 8u)) break;
      std::snprintf(number, sizeof number, "0x%" PRIx64, LittleEndian(value.data));
      return number;
    case RegType::DwordBigEndian:
      if (value.data.size() != 4) break;
      std::snprintf(number, sizeof number, "0x%" PRIx32,
                    static_cast<std::uint32_t>(value.data[0] << 24 | value.data[1] << 16 |
                                               value.data[2] << 8 | value.data[3]));
      return number;
  }
  std::string text;
  for (std::uint8_t byte : value.data) {
    std::snprintf(number, sizeof number, "%02X", byte);
    text += number;
  }
  return text;
}

void PrintValue(std::ostream& out, std::string_view name, const RegistryData& value) {
  out << "    " << (name.empty() ? "(Default)" : name) << "    " << TypeName(value.type) << "    "
      << DataText(value) << '\n';
}

// Walks the subtree without recursion: the depth of a tree is the registry's to limit, not the
// stack's.
void PrintKey(CommandContext& context, const RegKeyName& key, platform::RegistryView view,
              bool recursive) {
  std::vector<RegKeyName> pending = {key};
  while (!pending.empty()) {
    const RegKeyName current = std::move(pending.back());
    pending.pop_back();
    auto handle =
        context.registry.OpenKey(current.root, current.path, view, platform::KeyAccess::Read);
    if (!handle) continue;  // deleted meanwhile
    context.out << '\n' << current.FullName() << '\n';
    for (const std::string& name : handle->ValueNames()) {
      if (auto value = handle->QueryValue(name)) PrintValue(context.out, name, *value);
    }
    const std::vector<std::string> subkeys = handle->SubkeyNames();
    handle.reset();
    auto child = [&](const std::string& subkey) {
      return RegKeyName{current.root, current.path.empty() ? subkey : current.path + '\\' + subkey};
    };
    if (recursive) {
      // Last first, so that the first is printed next.
      for (auto it = subkeys.rbegin(); it != subkeys.rend(); ++it) pending.push_back(child(*it));
      continue;
    }
    if (!subkeys.empty()) context.out << '\n';
    for (const std::string& subkey : subkeys) context.out << child(subkey).FullName() << '\n';
  }
}

}  // namespace

int RegQuery(std::span<const std::string> args, CommandContext& context) {
  if (args.empty()) throw UsageError("query needs a KEY");
  RegKeyName key = ParseRegKeyName(args[0]);
  Switches switches(args.subspan(1), {"v:", "ve", "s", "reg:32", "reg:64"});
  auto view = ViewFromSwitches(switches);
  if (switches.Has("v") && switches.Has("ve")) throw UsageError("/v and /ve exclude each other");
  auto handle = context.registry.OpenKey(key.root, key.path, view, platform::KeyAccess::Read);
  if (!handle) throw Error(std::string(kNotFound));
  if (switches.Has("v") || switches.Has("ve")) {
    std::string name = switches.Value("v").value_or("");
    auto value = handle->QueryValue(name);
    if (!value) throw Error(std::string(kNotFound));
    context.out << '\n' << key.FullName() << '\n';
    PrintValue(context.out, name, *value);
    return 0;
  }
  handle.reset();
  PrintKey(context, key, view, switches.Has("s"));
  return 0;
}

}  // namespace lintrove::cli
