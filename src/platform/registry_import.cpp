#include <memory>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "platform/regfile/reg_file.h"
#include "platform/registry.h"

namespace lintrove::platform {
namespace {

// Applies a file through the registry's functions, key by key.
class ImportingSink final : public RegFileSink {
 public:
  ImportingSink(RegistryBackend& backend, std::string_view source, RegistryView view)
      : backend_(backend), source_(source), view_(view) {}

  void OnKey(RootKey root, std::string_view path, int line) override {
    Finish();
    current_ = std::make_unique<Registry>(root, view_, backend_);
    if (!current_->OpenKey("\\" + std::string(path), true)) {
      ThrowRegFileError(source_, line,
                        Format(LoadResString(ResString::RegistryKeyNotCreated),
                               std::string(RootKeyName(root)) + "\\" + std::string(path)));
    }
  }
  void OnDeleteKey(RootKey root, std::string_view path, int) override {
    Finish();
    Registry(root, view_, backend_).DeleteKey("\\" + std::string(path));
  }
  void OnValue(RegValue&& value, int) override {
    if (current_) current_->WriteValue(value.name, value.type, value.data);
  }
  void OnDeleteValue(std::string_view name, int) override {
    if (current_) current_->DeleteValue(name);
  }
  void Finish() {
    if (current_) current_->CloseKey();
    current_.reset();
  }

 private:
  RegistryBackend& backend_;
  std::string_view source_;
  RegistryView view_;
  std::unique_ptr<Registry> current_;
};

}  // namespace

void RegistryBackend::Import(std::vector<std::uint8_t> bytes, std::string_view source,
                             RegistryView view) {
  {
    // The file is checked by building it as a tree of its own, which refuses what the registry
    // would refuse, before any of it is applied.
    RegKey currentUser{std::string(RootKeyName(RootKey::CurrentUser))};
    RegKey localMachine{std::string(RootKeyName(RootKey::LocalMachine))};
    RegTreeBuilder checking(
        [&](RootKey root) -> RegKey& {
          return root == RootKey::CurrentUser ? currentUser : localMachine;
        },
        std::string(source), view);
    ParseRegFile(bytes, source, checking);
  }
  ImportingSink importing(*this, source, view);
  ParseRegFile(bytes, source, importing);
  importing.Finish();
}

}  // namespace lintrove::platform
