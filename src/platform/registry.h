#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry_types.h"

namespace lintrove::platform {

struct RegistryData {
  std::uint32_t type = RegType::None;
  std::vector<std::uint8_t> data;  // as Windows keeps it: strings in UTF-16LE
};

enum class KeyAccess { Read, Write, WriteCreate };

// An open key of the platform's registry. Closing it (destroying the handle) makes its changes
// permanent.
class RegistryKeyHandle {
 public:
  virtual ~RegistryKeyHandle() = default;
  // Makes the changes made through this key permanent; the destructor does it too but cannot
  // report a failure.
  virtual void Close() {}
  virtual std::vector<std::string> SubkeyNames() const = 0;
  virtual std::vector<std::string> ValueNames() const = 0;
  virtual std::optional<RegistryData> QueryValue(std::string_view name) const = 0;
  // false when the registry refuses the write (a key opened for reading, a deleted key).
  virtual bool SetValue(std::string_view name, std::uint32_t type,
                        std::span<const std::uint8_t> data) = 0;
  virtual bool DeleteValue(std::string_view name) = 0;
};

// The platform's registry: the Win32 registry, or a faithful stand-in for it.
class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;
  // path is relative to the root, its components separated by "\". Null when the key does not
  // exist (and may not be created) or access is refused.
  virtual std::unique_ptr<RegistryKeyHandle> OpenKey(RootKey root, std::string_view path,
                                                     RegistryView view, KeyAccess access) = 0;
  // Deletes the key with everything below it; false when it does not exist or is refused.
  virtual bool DeleteKey(RootKey root, std::string_view path, RegistryView view) = 0;

  // Applies a regedit file as regedit merges it into the registry, its keys where view keeps
  // them. The whole file is checked first: a fault is an Error naming the file and the line, and
  // nothing of the file is applied then. This one applies the checked file key by key, so a key
  // the registry refuses stops it halfway; a backend that can do better overrides it.
  virtual void Import(std::vector<std::uint8_t> bytes, std::string_view source, RegistryView view);

  // While held, the registry shows one state: another process's changes may stay unseen, and
  // the backend need not look for them at every key opened. A scan opens thousands of keys and
  // wants them all from one state anyway. This process's own changes are always seen.
  class StateHold {
   public:
    explicit StateHold(std::function<void()> release = {}) : release_(std::move(release)) {}
    ~StateHold() {
      if (release_) release_();
    }
    StateHold(const StateHold&) = delete;
    StateHold& operator=(const StateHold&) = delete;

   private:
    std::function<void()> release_;
  };
  // A backend that checks for nothing per key holds nothing.
  [[nodiscard]] virtual std::unique_ptr<StateHold> HoldState() {
    return std::make_unique<StateHold>();
  }
};

// The registry of this process. On Linux, the store in the registry directory
// (LINTROVE_REGISTRY_DIR, else $XDG_DATA_HOME/lintrove/registry).
RegistryBackend& SystemRegistry();

// A registry object as the program uses it: a root, a view, and at most one current key.
// Key paths starting with "\" are absolute from the root; others are relative to the current
// key. Typed reads and writes raise the registry's own messages.
class Registry {
 public:
  explicit Registry(RootKey root, RegistryView view = RegistryView::Default,
                    RegistryBackend& backend = SystemRegistry());
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  RootKey Root() const { return root_; }
  RegistryView View() const { return view_; }

  // The opened key replaces the current one. False (and no current key) when it cannot be
  // opened.
  bool OpenKey(std::string_view key, bool canCreate);
  bool OpenKeyReadOnly(std::string_view key);
  // Makes the changes made through the current key permanent; raises when that fails.
  void CloseKey();
  bool HasCurrentKey() const { return current_ != nullptr; }
  // The current key's path from the root, without a leading "\".
  const std::string& CurrentPath() const { return currentPath_; }

  bool KeyExists(std::string_view key) const;
  bool DeleteKey(std::string_view key);

  std::vector<std::string> GetKeyNames() const;
  std::vector<std::string> GetValueNames() const;
  bool ValueExists(std::string_view name) const;
  std::optional<std::uint32_t> GetDataType(std::string_view name) const;
  std::optional<RegistryData> ReadValue(std::string_view name) const;

  // REG_SZ or REG_EXPAND_SZ, unexpanded, up to the first NUL. Empty when the value is missing
  // or holds no data.
  std::string ReadString(std::string_view name) const;
  // A REG_DWORD.
  std::int32_t ReadInteger(std::string_view name) const;
  // REG_BINARY of exactly size bytes.
  std::vector<std::uint8_t> ReadBinaryData(std::string_view name, std::size_t size) const;
  double ReadFloat(std::string_view name) const;

  void WriteString(std::string_view name, std::string_view value);
  void WriteExpandString(std::string_view name, std::string_view value);
  void WriteInteger(std::string_view name, std::int32_t value);
  void WriteBinaryData(std::string_view name, std::span<const std::uint8_t> data);
  void WriteFloat(std::string_view name, double value);
  void WriteValue(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data);
  bool DeleteValue(std::string_view name);

 private:
  std::optional<std::string> ResolvePath(std::string_view key) const;
  std::unique_ptr<RegistryKeyHandle> Open(std::string_view key, KeyAccess access) const;
  RegistryData GetData(std::string_view name, std::size_t bufferSize) const;

  RootKey root_;
  RegistryView view_;
  RegistryBackend& backend_;
  std::unique_ptr<RegistryKeyHandle> current_;
  std::string currentPath_;
};

// Whether the 32-bit view of 64-bit Windows keeps a key of HKEY_LOCAL_MACHINE in the
// WOW6432Node key after the first component: true for SOFTWARE and what is below it, except what
// is there already and SOFTWARE\Classes\Installer, which both views share. Only the first three
// components of path are looked at.
bool RedirectsToWow6432Node(std::span<const std::string_view> path);
inline constexpr std::string_view kWow6432Node = "WOW6432Node";

// Splits a key path at "\" into its components; a leading or trailing "\" is allowed, an empty
// component inside is not (nullopt).
std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path);

}  // namespace lintrove::platform
