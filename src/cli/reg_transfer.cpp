#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <utility>

#include "base/format.h"
#include "base/resource_strings.h"
#include "platform/regfile/reg_file.h"
#include "platform/registry.h"
#include "reg_operations.h"

namespace lintrove::cli {
namespace {

using platform::RegistryView;
using platform::RootKey;

constexpr std::string_view kDone = "The operation completed successfully.\n";

// Larger than the export of any real machine's hive. It bounds, too, what is no file at all (a
// pipe, a device) and would otherwise be read until memory runs out.
constexpr std::size_t kMaxImportMegabytes = 512;
constexpr std::size_t kMaxImportBytes = kMaxImportMegabytes << 20;

[[noreturn]] void ThrowTooLarge(const std::string& path) {
  throw Error(Format(LoadResString(ResString::RegFileTooLarge), path, kMaxImportMegabytes));
}

std::vector<std::uint8_t> ReadImportFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const std::string reason = std::strerror(errno);
    throw Error(Format(LoadResString(ResString::CannotReadFile), path, reason));
  }
  std::vector<std::uint8_t> bytes;
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) {
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (size > kMaxImportBytes) ThrowTooLarge(path);
    // Read whole, so that the file's bytes are held once and never copied to a larger buffer.
    bytes.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
  }
  std::vector<std::vector<std::uint8_t>> chunks;
  std::size_t total = 0;
  while (in) {
    std::vector<std::uint8_t>& chunk = chunks.emplace_back(std::size_t{1} << 20);
    in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
    chunk.resize(static_cast<std::size_t>(in.gcount()));
    total += chunk.size();
    if (total > kMaxImportBytes) ThrowTooLarge(path);
  }
  bytes.reserve(total);
  for (const auto& chunk : chunks) bytes.insert(bytes.end(), chunk.begin(), chunk.end());
  return bytes;
}

// The key and its subtree as the registry has them, walked without recursion: the depth of a
// tree is the registry's to limit, not the stack's.
void CopyKey(platform::RegistryBackend& backend, RootKey root, RegistryView view,
             const std::string& path, platform::RegKey& copy) {
  std::vector<std::pair<std::string, platform::RegKey*>> pending = {{path, &copy}};
  while (!pending.empty()) {
    auto [keyPath, target] = std::move(pending.back());
    pending.pop_back();
    auto handle = backend.OpenKey(root, keyPath, view, platform::KeyAccess::Read);
    if (!handle) continue;  // deleted meanwhile
    for (const std::string& name : handle->ValueNames()) {
      if (auto value = handle->QueryValue(name)) {
        target->SetValue(name, value->type, std::move(value->data));
      }
    }
    for (const std::string& name : handle->SubkeyNames()) {
      pending.emplace_back(keyPath.empty() ? name : keyPath + '\\' + name,
                           &target->AddSubkey(name));
    }
  }
}

}  // namespace

int RegImport(std::span<const std::string> args, CommandContext& context) {
  if (args.empty()) throw UsageError("import needs a FILE");
  Switches switches(args.subspan(1), {"reg:32", "reg:64"});
  auto view = ViewFromSwitches(switches);
  context.registry.Import(ReadImportFile(args[0]), args[0], view);
  context.out << kDone;
  return 0;
}

int RegExport(std::span<const std::string> args, CommandContext& context) {
  if (args.size() < 2) throw UsageError("export needs a KEY and a FILE");
  RegKeyName key = ParseRegKeyName(args[0]);
  const std::string& file = args[1];
  Switches switches(args.subspan(2), {"y", "reg:32", "reg:64"});
  auto view = ViewFromSwitches(switches);
  if (!context.registry.OpenKey(key.root, key.path, view, platform::KeyAccess::Read)) {
    throw Error("The system was unable to find the specified registry key or value.");
  }
  if (std::filesystem::exists(file) && !switches.Has("y") &&
      !Confirm(context, "File " + file + " already exists. Overwrite it")) {
    if (!context.interactive) throw Error("The file exists; /y overwrites it.");
    context.out << "The operation was cancelled by the user.\n";
    return 1;
  }
  std::size_t lastSeparator = key.path.rfind('\\');
  platform::RegKey copy(lastSeparator == std::string::npos ? key.path
                                                           : key.path.substr(lastSeparator + 1));
  CopyKey(context.registry, key.root, view, key.path, copy);
  std::vector<std::uint8_t> bytes = platform::FormatRegFile(copy, key.FullName());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw Error("The file " + file + " cannot be written.");
  context.out << kDone;
  return 0;
}

}  // namespace lintrove::cli
