#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
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

// A file named on the command line. Linux names are bytes and stay so; on Windows the argument
// is UTF-8 from the wide command line, which a narrow name would read in the ANSI code page.
std::filesystem::path ArgumentPath(const std::string& argument) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(argument.begin(), argument.end()));
#else
  return std::filesystem::path(argument);
#endif
}

[[noreturn]] void ThrowTooLarge(const std::string& path) {
  throw Error(Format(LoadResString(ResString::RegFileTooLarge), path, kMaxImportMegabytes));
}

[[noreturn]] void ThrowUnreadable(const std::string& path) {
  const std::string reason = std::strerror(errno);
  throw Error(Format(LoadResString(ResString::CannotReadFile), path, reason));
}

// A pipe or a device tells its size only at its end, and an endless one never does: it is
// copied to an unnamed temporary file first, so that memory holds a chunk of it while it is
// read and, once it has ended within the cap, its bytes once.
std::vector<std::uint8_t> ReadStream(std::istream& in, const std::string& path) {
  const std::unique_ptr<std::FILE, decltype(&std::fclose)> spool(std::tmpfile(), &std::fclose);
  if (!spool) ThrowUnreadable(path);
  std::vector<char> chunk(std::size_t{1} << 16);
  std::size_t total = 0;
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto count = static_cast<std::size_t>(in.gcount());
    total += count;
    if (total > kMaxImportBytes) ThrowTooLarge(path);
    if (std::fwrite(chunk.data(), 1, count, spool.get()) != count) ThrowUnreadable(path);
  }
  if (in.bad()) ThrowUnreadable(path);
  std::vector<std::uint8_t> bytes(total);
  std::rewind(spool.get());
  if (std::fread(bytes.data(), 1, total, spool.get()) != total) ThrowUnreadable(path);
  return bytes;
}

std::vector<std::uint8_t> ReadImportFile(const std::string& path) {
  std::ifstream in(ArgumentPath(path), std::ios::binary);
  if (!in) ThrowUnreadable(path);
  std::error_code error;
  if (!std::filesystem::is_regular_file(ArgumentPath(path), error)) return ReadStream(in, path);
  const std::uintmax_t size = std::filesystem::file_size(ArgumentPath(path), error);
  if (size > kMaxImportBytes) ThrowTooLarge(path);
  // Read whole, so that the file's bytes are held once and never copied to a larger buffer.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
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
  if (std::filesystem::exists(ArgumentPath(file)) && !switches.Has("y") &&
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
  std::ofstream out(ArgumentPath(file), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw Error("The file " + file + " cannot be written.");
  context.out << kDone;
  return 0;
}

}  // namespace lintrove::cli
