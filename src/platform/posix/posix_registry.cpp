#include "platform/posix/posix_registry.h"

#include <algorithm>
#include <cstdlib>

#include "platform/posix/user_account.h"
#include "platform/regfile/reg_file.h"

namespace lintrove::platform {
namespace {

class PosixKeyHandle final : public RegistryKeyHandle {
 public:
  // created: the key was made by this open, a change that closing it makes permanent.
  PosixKeyHandle(RegistryStore& store, std::vector<std::string> path, bool writable, bool created)
      : store_(store), path_(std::move(path)), writable_(writable), changed_(created) {}

  ~PosixKeyHandle() override {
    try {
      Close();
    } catch (...) {
      // Cannot report here; the changes stay pending for the store's next write.
    }
  }

  void Close() override {
    if (!changed_) return;
    changed_ = false;
    store_.Commit();
  }

  std::vector<std::string> SubkeyNames() const override {
    std::vector<std::string> names;
    if (const RegKey* key = Key()) {
      names.reserve(key->Subkeys().size());
      for (const auto& subkey : key->Subkeys()) names.push_back(subkey->Name());
    }
    return names;
  }

  std::vector<std::string> ValueNames() const override {
    std::vector<std::string> names;
    if (const RegKey* key = Key()) {
      names.reserve(key->Values().size());
      for (const RegValue& value : key->Values()) names.push_back(value.name);
    }
    return names;
  }

  std::optional<RegistryData> QueryValue(std::string_view name) const override {
    const RegKey* key = Key();
    const RegValue* value = key ? key->FindValue(name) : nullptr;
    if (!value) return std::nullopt;
    return RegistryData{value->type, value->data};
  }

  bool SetValue(std::string_view name, std::uint32_t type,
                std::span<const std::uint8_t> data) override {
    if (!writable_) return false;
    RegValue value{std::string(name), type, {data.begin(), data.end()}};
    if (!store_.SetValue(path_, std::move(value))) return false;
    changed_ = true;
    return true;
  }

  bool DeleteValue(std::string_view name) override {
    if (!writable_ || !store_.DeleteValue(path_, name)) return false;
    changed_ = true;
    return true;
  }

 private:
  // The key as found last, looked up again only when the store may have lost it: a scan reads
  // many values of one key, and each lookup would fold every name on the path again.
  const RegKey* Key() const {
    if (!key_ || keyGeneration_ != store_.Generation()) {
      key_ = store_.FindKey(path_);
      keyGeneration_ = store_.Generation();
    }
    return key_;
  }

  RegistryStore& store_;
  std::vector<std::string> path_;
  bool writable_;
  bool changed_;
  mutable const RegKey* key_ = nullptr;
  mutable std::uint64_t keyGeneration_ = 0;
};

}  // namespace

std::vector<std::string> MapToView(RootKey root, std::vector<std::string> path, RegistryView view) {
  if (root != RootKey::LocalMachine || view != RegistryView::Wow64_32) return path;
  const std::size_t looked = std::min<std::size_t>(path.size(), 3);
  std::string_view first[3];
  std::copy_n(path.begin(), looked, first);
  if (RedirectsToWow6432Node(std::span(first, looked))) {
    path.insert(path.begin() + 1, std::string(kWow6432Node));
  }
  return path;
}

std::filesystem::path DefaultRegistryDirectory() {
  if (const char* dir = std::getenv("LINTROVE_REGISTRY_DIR"); dir && *dir) return dir;
  std::filesystem::path data;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
    data = xdg;
  } else {
    data = HomeDirectory() / ".local" / "share";
  }
  return data / "lintrove" / "registry";
}

PosixRegistry::PosixRegistry(std::filesystem::path directory)
    : directory_(std::move(directory)),
      currentUser_(RootKey::CurrentUser, directory_ / "HKEY_CURRENT_USER.reg"),
      localMachine_(RootKey::LocalMachine, directory_ / "HKEY_LOCAL_MACHINE.reg") {}

RegistryStore& PosixRegistry::Store(RootKey root) {
  return root == RootKey::CurrentUser ? currentUser_ : localMachine_;
}

std::unique_ptr<RegistryKeyHandle> PosixRegistry::OpenKey(RootKey root, std::string_view path,
                                                          RegistryView view, KeyAccess access) {
  auto components = SplitKeyPath(path);
  if (!components) return nullptr;
  std::vector<std::string> stored = MapToView(root, std::move(*components), view);
  RegistryStore& store = Store(root);
  store.Refresh();
  bool created = false;
  if (!store.FindKey(stored)) {
    if (access != KeyAccess::WriteCreate) return nullptr;
    store.CreateKey(stored);
    created = true;
  }
  return std::make_unique<PosixKeyHandle>(store, std::move(stored), access != KeyAccess::Read,
                                          created);
}

bool PosixRegistry::DeleteKey(RootKey root, std::string_view path, RegistryView view) {
  auto components = SplitKeyPath(path);
  if (!components || components->empty()) return false;
  RegistryStore& store = Store(root);
  store.Refresh();
  if (!store.DeleteKey(MapToView(root, std::move(*components), view))) return false;
  store.Commit();
  return true;
}

void PosixRegistry::Import(std::vector<std::uint8_t> bytes, std::string_view source,
                           RegistryView view) {
  // Always in this order, so that two imports never hold one lock each and wait for the other.
  RegistryStore::Transaction machine(localMachine_);
  RegistryStore::Transaction user(currentUser_);
  RegTreeBuilder builder(
      [&](RootKey root) -> RegKey& {
        return (root == RootKey::CurrentUser ? user : machine).Tree();
      },
      std::string(source), view);
  ParseRegFile(bytes, source, builder);
  // Writing the files needs as much memory again as the file read.
  std::vector<std::uint8_t>().swap(bytes);
  machine.Prepare();
  user.Prepare();
  machine.Commit();
  user.Commit();
}

std::unique_ptr<RegistryBackend::StateHold> PosixRegistry::HoldState() {
  currentUser_.Hold();
  localMachine_.Hold();
  return std::make_unique<StateHold>([this] {
    currentUser_.Release();
    localMachine_.Release();
  });
}

RegistryBackend& SystemRegistry() {
  static PosixRegistry registry(DefaultRegistryDirectory());
  return registry;
}

}  // namespace lintrove::platform
