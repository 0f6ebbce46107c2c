#include "support/scratch_machine.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/regfile/reg_file.h"
#include "settings/registry_persistent_settings.h"

#ifdef _WIN32
#include "platform/run_value_logon_entry.h"
#else
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "support/temp_dir.h"
#endif

namespace lintrove::test {
namespace {

constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
constexpr std::string_view kSource = "scratch machine";

#ifdef _WIN32
// The keys a registry file names, so that they can be taken away again.
class KeyCollector final : public platform::RegFileSink {
 public:
  void OnKey(platform::RootKey root, std::string_view path, int) override {
    keys.emplace_back(root, std::string(path));
  }
  void OnDeleteKey(platform::RootKey, std::string_view, int) override {}
  void OnValue(platform::RegValue&&, int) override {}
  void OnDeleteValue(std::string_view, int) override {}

  std::vector<std::pair<platform::RootKey, std::string>> keys;
};
#endif

}  // namespace

#ifdef _WIN32
struct ScratchMachine::Parts {
  Parts() { Forget(); }
  ~Parts() { Forget(); }

  // What earlier runs left is gone before the machine is used, and what this one adds after.
  void Forget() {
    // The deepest keys first: a key with subkeys is not deleted.
    std::ranges::sort(added, std::ranges::greater{},
                      [](const auto& key) { return key.second.size(); });
    for (const auto& [root, path] : added) {
      platform::Registry(root, platform::RegistryView::Default, registry).DeleteKey("\\" + path);
    }
    added.clear();
    logon.Remove();
    platform::Registry(platform::RootKey::CurrentUser, platform::RegistryView::Default, registry)
        .DeleteKey(IgnoreKey);
    platform::Registry(platform::RootKey::CurrentUser, platform::RegistryView::Default, registry)
        .DeleteKey(SettingsKey);
  }
  void Note(const std::vector<std::uint8_t>& bytes) {
    KeyCollector collector;
    platform::ParseRegFile(bytes, kSource, collector);
    added.insert(added.end(), collector.keys.begin(), collector.keys.end());
  }

  platform::RegistryBackend& registry = platform::SystemRegistry();
  platform::InstallerDatabase& installer = platform::SystemInstallerDatabase();
  platform::RunValueLogonEntry logon{registry, "lintrove-test"};
  std::vector<std::pair<platform::RootKey, std::string>> added;
  ClientSettings settings{registry, logon};
};
#else
struct ScratchMachine::Parts {
  void Note(const std::vector<std::uint8_t>&) {}

  TempDir directory;
  platform::PosixRegistry registry{directory / "registry"};
  platform::PosixInstallerDatabase installer{registry};
  platform::XdgLogonEntry logon{"lintrove", directory / "autostart"};
  ClientSettings settings{registry, logon};
};
#endif

ScratchMachine::ScratchMachine(std::string_view regText) : parts_(std::make_unique<Parts>()) {
  if (!regText.empty()) Import(regText);
}

ScratchMachine::~ScratchMachine() = default;

void ScratchMachine::Import(std::string_view regText) {
  std::string text(kRegFileHeader);
  text += regText;
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  parts_->Note(bytes);
  parts_->registry.Import(bytes, kSource, platform::RegistryView::Default);
}

platform::RegistryBackend& ScratchMachine::Registry() { return parts_->registry; }
platform::InstallerDatabase& ScratchMachine::Installer() { return parts_->installer; }
platform::LogonEntry& ScratchMachine::Logon() { return parts_->logon; }
ClientSettings& ScratchMachine::Settings() { return parts_->settings; }

}  // namespace lintrove::test
