#include "reg_command.h"

#include <ostream>

#include "command_runner.h"
#include "platform/registry.h"
#include "reg_operations.h"

namespace lintrove::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: lintrove-cli reg OPERATION [arguments]\n"
    "\n"
    "  query  KEY [/v NAME | /ve] [/s] [/reg:32 | /reg:64]\n"
    "  add    KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f] [/reg:32 | /reg:64]\n"
    "  delete KEY [/v NAME | /ve | /va] [/f] [/reg:32 | /reg:64]\n"
    "  import FILE [/reg:32 | /reg:64]\n"
    "  export KEY FILE [/y] [/reg:32 | /reg:64]\n"
    "\n"
    "KEY is ROOT\\path with ROOT one of HKLM, HKCU, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER.\n"
    "TYPE is REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_DWORD_BIG_ENDIAN,\n"
    "REG_QWORD, REG_BINARY or REG_NONE. /f and /y answer the questions that would be asked.\n";

struct Operation {
  std::string_view name;
  int (*run)(std::span<const std::string>, CommandContext&);
};

constexpr Operation kOperations[] = {{"query", RegQuery},
                                     {"add", RegAdd},
                                     {"delete", RegDelete},
                                     {"import", RegImport},
                                     {"export", RegExport}};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

int RunRegCommand(std::span<const std::string> args, CommandContext& context) {
  return RunCommand(args, context, kUsage, [&] {
    if (args.empty()) throw UsageError("no operation");
    for (const Operation& operation : kOperations) {
      if (EqualsIgnoringCase(args[0], operation.name))
        return operation.run(args.subspan(1), context);
    }
    throw UsageError("unknown operation '" + args[0] + "'");
  });
}

}  // namespace lintrove::cli

namespace lintrove::cli {

std::string RegKeyName::FullName() const {
  std::string name(platform::RootKeyName(root));
  if (!path.empty()) name += '\\' + path;
  return name;
}

RegKeyName ParseRegKeyName(std::string_view text) {
  RequireUtf8Text(text);
  std::size_t separator = text.find('\\');
  auto root = platform::ParseRootKeyName(text.substr(0, separator));
  if (!root) throw UsageError("invalid key name '" + std::string(text) + "'");
  std::string_view rest = separator == std::string_view::npos ? "" : text.substr(separator + 1);
  auto components = platform::SplitKeyPath(rest);
  if (!components) throw UsageError("invalid key name '" + std::string(text) + "'");
  RegKeyName name{*root, {}};
  for (const std::string& component : *components) {
    if (!name.path.empty()) name.path += '\\';
    name.path += component;
  }
  return name;
}

platform::RegistryView ViewFromSwitches(const Switches& switches) {
  bool view32 = switches.Has("reg:32");
  bool view64 = switches.Has("reg:64");
  if (view32 && view64) throw UsageError("/reg:32 and /reg:64 exclude each other");
  if (view32) return platform::RegistryView::Wow64_32;
  if (view64) return platform::RegistryView::Wow64_64;
  return platform::RegistryView::Default;
}

}  // namespace lintrove::cli
