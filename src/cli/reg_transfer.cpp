#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>

#include "platform/regfile/reg_file.h"
#include "platform/registry.h"
#include "reg_operations.h"

namespace lintrove::cli {
namespace {

using platform::RegistryView;
using platform::RegValue;
using platform::RootKey;

constexpr std::string_view kDone = "The operation completed successfully.\n";

// Reads the whole file first, so that a file with a fault is refused before anything of it is
// applied.
class CheckingSink final : public platform::RegFileSink {
 public:
  void OnKey(RootKey, std::string_view, int) override {}
  void OnDeleteKey(RootKey, std::string_view, int) override {}
  void OnValue(RegValue&&, int) override {}
  void OnDeleteValue(std::string_view, int) override {}
};

// Applies a file through the registry API, as regedit merges a file into the registry.
class ImportingSink final : public platform::RegFileSink {
 public:
  ImportingSink(platform::RegistryBackend& backend, RegistryView view)
      : backend_(backend), view_(view) {}

  void OnKey(RootKey root, std::string_view path, int) override {
    current_ = std::make_unique<platform::Registry>(root, view_, backend_);
    if (!current_->OpenKey("\\" + std::string(path), true)) {
      throw Error("The key " + std::string(platform::RootKeyName(root)) + "\\" +
                  std::string(path) + " cannot be created.");
    }
  }
  void OnDeleteKey(RootKey root, std::string_view path, int) override {
    current_.reset();
    platform::Registry(root, view_, backend_).DeleteKey("\\" + std::string(path));
  }
  void OnValue(RegValue&& value, int) override {
    if (current_) current_->WriteValue(value.name, value.type, value.data);
  }
  void OnDeleteValue(std::string_view name, int) override {
    if (current_) current_->DeleteValue(name);
  }
  void Finish() {
    if (current_) current_->CloseKey();
  }

 private:
  platform::RegistryBackend& backend_;
  RegistryView view_;
  std::unique_ptr<platform::Registry> current_;
};

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("The file " + path + " cannot be read.");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void CopyKey(platform::RegistryBackend& backend, RootKey root, RegistryView view,
             const std::string& path, platform::RegKey& copy) {
  auto handle = backend.OpenKey(root, path, view, platform::KeyAccess::Read);
  if (!handle) return;
  for (const std::string& name : handle->ValueNames()) {
    if (auto value = handle->QueryValue(name)) copy.SetValue(name, value->type, std::move(value->data));
  }
  for (const std::string& name : handle->SubkeyNames()) {
    CopyKey(backend, root, view, path.empty() ? name : path + '\\' + name, copy.AddSubkey(name));
  }
}

}  // namespace

int RegImport(std::span<const std::string> args, CommandContext& context) {
  if (args.empty()) throw UsageError("import needs a FILE");
  Switches switches(args.subspan(1), {"reg:32", "reg:64"});
  auto view = ViewFromSwitches(switches);
  std::vector<std::uint8_t> bytes = ReadFile(args[0]);
  CheckingSink checking;
  platform::ParseRegFile(bytes, args[0], checking);

  platform::RegistryBatch batch(context.registry);
  ImportingSink importing(context.registry, view);
  platform::ParseRegFile(bytes, args[0], importing);
  importing.Finish();
  batch.Finish();
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
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw Error("The file " + file + " cannot be written.");
  context.out << kDone;
  return 0;
}

}  // namespace lintrove::cli
