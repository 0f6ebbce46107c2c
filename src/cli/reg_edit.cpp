#include <charconv>
#include <ostream>

#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "platform/registry.h"
#include "reg_operations.h"

namespace lintrove::cli {
namespace {

namespace RegType = platform::RegType;
using platform::Registry;

constexpr std::string_view kDone = "The operation completed successfully.\n";
constexpr std::string_view kCancelled = "The operation was cancelled by the user.\n";
constexpr std::string_view kNotFound =
    "The system was unable to find the specified registry key or value.";

struct TypeEntry {
  std::string_view name;
  std::uint32_t type;
};
constexpr TypeEntry kTypes[] = {{"REG_SZ", RegType::Sz},
                                {"REG_EXPAND_SZ", RegType::ExpandSz},
                                {"REG_MULTI_SZ", RegType::MultiSz},
                                {"REG_DWORD", RegType::Dword},
                                {"REG_DWORD_BIG_ENDIAN", RegType::DwordBigEndian},
                                {"REG_QWORD", RegType::Qword},
                                {"REG_BINARY", RegType::Binary},
                                {"REG_NONE", RegType::None}};

std::uint32_t ParseType(std::string_view text) {
  for (const TypeEntry& entry : kTypes) {
    if (std::ranges::equal(text, entry.name,
                           [](unsigned char a, unsigned char b) { return std::toupper(a) == b; })) {
      return entry.type;
    }
  }
  throw UsageError("unknown type '" + std::string(text) + "'");
}

std::uint64_t ParseNumber(std::string_view text, std::uint64_t max, std::string_view typeName) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max) {
    throw UsageError("invalid " + std::string(typeName) + " data '" + std::string(text) + "'");
  }
  return value;
}

std::vector<std::uint8_t> ParseHex(std::string_view text) {
  auto digit = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw UsageError("invalid hexadecimal data '" + std::string(text) + "'");
  };
  if (text.size() % 2 != 0) throw UsageError("hexadecimal data needs whole bytes");
  std::vector<std::uint8_t> data;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    data.push_back(static_cast<std::uint8_t>(digit(text[i]) * 16 + digit(text[i + 1])));
  }
  return data;
}

std::vector<std::uint8_t> Bytes(std::uint64_t value, std::size_t size, bool bigEndian) {
  std::vector<std::uint8_t> data(size);
  for (std::size_t i = 0; i < size; ++i) {
    data[bigEndian ? size - 1 - i : i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  return data;
}

void AppendString(std::vector<std::uint8_t>& data, std::string_view text) {
  std::vector<std::uint8_t> utf16 = Utf8ToUtf16Le(text);
  data.insert(data.end(), utf16.begin(), utf16.end());
  data.insert(data.end(), {0, 0});
}

std::vector<std::uint8_t> ParseData(std::uint32_t type, std::string_view text,
                                    std::string_view separator) {
  std::vector<std::uint8_t> data;
  switch (type) {
    case RegType::Sz:
    case RegType::ExpandSz:
      AppendString(data, text);
      return data;
    case RegType::MultiSz:
      for (std::size_t start = 0; !text.empty();) {
        std::size_t end = text.find(separator, start);
        AppendString(data, text.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + separator.size();
      }
      data.insert(data.end(), {0, 0});
      return data;
    case RegType::Dword:
    case RegType::DwordBigEndian:
      return Bytes(ParseNumber(text, UINT32_MAX, "REG_DWORD"), 4, type == RegType::DwordBigEndian);
    case RegType::Qword:
      return Bytes(ParseNumber(text, UINT64_MAX, "REG_QWORD"), 8, false);
    default:
      return ParseHex(text);
  }
}

std::string ValueLabel(std::string_view name) {
  return name.empty() ? "(Default)" : std::string(name);
}

}  // namespace

int RegAdd(std::span<const std::string> args, CommandContext& context) {
  if (args.empty()) throw UsageError("add needs a KEY");
  RegKeyName key = ParseRegKeyName(args[0]);
  Switches switches(args.subspan(1), {"v:", "ve", "t:", "s:", "d:", "f", "reg:32", "reg:64"});
  auto view = ViewFromSwitches(switches);
  bool namesValue = switches.Has("v") || switches.Has("ve");
  if (switches.Has("v") && switches.Has("ve")) throw UsageError("/v and /ve exclude each other");
  if (!namesValue && (switches.Has("t") || switches.Has("d") || switches.Has("s"))) {
    throw UsageError("/t, /s and /d need /v or /ve");
  }
  std::uint32_t type = ParseType(switches.Value("t").value_or("REG_SZ"));
  std::string separator = switches.Value("s").value_or("\\0");
  if (separator.empty()) throw UsageError("the separator of /s must not be empty");
  std::vector<std::uint8_t> data = ParseData(type, switches.Value("d").value_or(""), separator);

  Registry registry(key.root, view, context.registry);
  if (!registry.OpenKey("\\" + key.path, true)) {
    throw Error(Format(LoadResString(ResString::RegistryKeyNotCreated), key.FullName()));
  }
  if (namesValue) {
    std::string name = switches.Value("v").value_or("");
    if (registry.ValueExists(name) && !switches.Has("f") &&
        !Confirm(context, "Value " + ValueLabel(name) + " exists, overwrite")) {
      if (!context.interactive) throw Error("The value exists; /f overwrites it.");
      context.out << kCancelled;
      return 1;
    }
    registry.WriteValue(name, type, data);
  }
  registry.CloseKey();
  context.out << kDone;
  return 0;
}

int RegDelete(std::span<const std::string> args, CommandContext& context) {
  if (args.empty()) throw UsageError("delete needs a KEY");
  RegKeyName key = ParseRegKeyName(args[0]);
  Switches switches(args.subspan(1), {"v:", "ve", "va", "f", "reg:32", "reg:64"});
  auto view = ViewFromSwitches(switches);
  int valueSwitches = switches.Has("v") + switches.Has("ve") + switches.Has("va");
  if (valueSwitches > 1) throw UsageError("/v, /ve and /va exclude each other");

  Registry registry(key.root, view, context.registry);
  if (!registry.OpenKey("\\" + key.path, false)) throw Error(std::string(kNotFound));
  std::string question;
  std::vector<std::string> names;
  if (valueSwitches == 0) {
    if (key.path.empty()) throw Error("A root key cannot be deleted.");
    question = "Permanently delete the registry key " + key.FullName();
  } else if (switches.Has("va")) {
    names = registry.GetValueNames();
    question = "Delete all values under the registry key " + key.FullName();
  } else {
    names.push_back(switches.Value("v").value_or(""));
    if (!registry.ValueExists(names.front())) throw Error(std::string(kNotFound));
    question = "Delete the registry value " + ValueLabel(names.front());
  }
  if (!switches.Has("f") && !Confirm(context, question)) {
    if (!context.interactive) throw Error("Deleting needs /f when no question can be asked.");
    context.out << kCancelled;
    return 1;
  }
  if (valueSwitches == 0) {
    registry.CloseKey();
    if (!registry.DeleteKey("\\" + key.path)) throw Error(std::string(kNotFound));
  } else {
    for (const std::string& name : names) registry.DeleteValue(name);
    registry.CloseKey();
  }
  context.out << kDone;
  return 0;
}

}  // namespace lintrove::cli
