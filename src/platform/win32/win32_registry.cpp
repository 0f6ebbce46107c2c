#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <type_traits>

#include "platform/registry.h"
#include "platform/win32/wide_text.h"

namespace lintrove::platform {
namespace {

static_assert(static_cast<REGSAM>(RegistryView::Wow64_64) == KEY_WOW64_64KEY);
static_assert(static_cast<REGSAM>(RegistryView::Wow64_32) == KEY_WOW64_32KEY);

// The longest key and value names Windows allows, with their NUL.
constexpr DWORD kKeyNameCapacity = 256;
constexpr DWORD kValueNameCapacity = 16384;

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

HKEY RootHandle(RootKey root) {
  return root == RootKey::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

REGSAM ViewFlag(RegistryView view) { return static_cast<REGSAM>(view); }

// The path in the system's form, with the same rules as the store: no empty component, a
// leading or trailing "\" ignored (Windows itself refuses a leading one).
std::optional<std::wstring> WindowsKeyPath(std::string_view path) {
  auto components = SplitKeyPath(path);
  if (!components) return std::nullopt;
  std::wstring result;
  for (const std::string& component : *components) {
    if (!result.empty()) result += L'\\';
    result += Wide(component);
  }
  return result;
}

// Collects the names RegEnumKeyExW or RegEnumValueW give by index. A name longer than Windows
// allows (Wine takes key names of 256 characters) is asked for again with a larger buffer.
template <typename EnumerateAt>
std::vector<std::string> EnumerateNames(DWORD capacity, EnumerateAt enumerateAt) {
  std::vector<std::string> names;
  std::wstring buffer(capacity, L'\0');
  for (DWORD index = 0;;) {
    auto length = static_cast<DWORD>(buffer.size());
    const LSTATUS status = enumerateAt(index, buffer.data(), &length);
    if (status == ERROR_MORE_DATA) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    // ERROR_NO_MORE_ITEMS at the end, or the key was deleted meanwhile.
    if (status != ERROR_SUCCESS) return names;
    names.push_back(Narrow(std::wstring_view(buffer.data(), length)));
    ++index;
  }
}

class Win32KeyHandle final : public RegistryKeyHandle {
 public:
  explicit Win32KeyHandle(UniqueKey key) : key_(std::move(key)) {}

  // Windows keeps what was written without being asked: closing adds nothing.

  std::vector<std::string> SubkeyNames() const override {
    return EnumerateNames(kKeyNameCapacity, [this](DWORD index, wchar_t* name, DWORD* length) {
      return RegEnumKeyExW(key_.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  std::vector<std::string> ValueNames() const override {
    return EnumerateNames(kValueNameCapacity, [this](DWORD index, wchar_t* name, DWORD* length) {
      return RegEnumValueW(key_.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  std::optional<RegistryData> QueryValue(std::string_view name) const override {
    const std::wstring wideName = Wide(name);
    // Most values fit at the first try; a larger one reports its size, and may have grown
    // again by the next try.
    std::vector<std::uint8_t> data(256);
    for (;;) {
      auto size = static_cast<DWORD>(data.size());
      DWORD type = 0;
      const LSTATUS status =
          RegQueryValueExW(key_.get(), wideName.c_str(), nullptr, &type, data.data(), &size);
      if (status == ERROR_MORE_DATA) {
        data.resize(std::max<std::size_t>(size, data.size() * 2));
        continue;
      }
      if (status != ERROR_SUCCESS) return std::nullopt;
      data.resize(size);
      return RegistryData{type, std::move(data)};
    }
  }

  bool SetValue(std::string_view name, std::uint32_t type,
                std::span<const std::uint8_t> data) override {
    if (data.size() > std::numeric_limits<DWORD>::max()) return false;
    // Given string data without a closing NUL, Windows looks at the character after the data
    // and, when it is NUL, stores one more. A copy with a non-zero guard behind the data keeps
    // the value as it is given, and keeps that look inside memory of our own.
    std::vector<std::uint8_t> guarded(data.begin(), data.end());
    guarded.insert(guarded.end(), {0xFF, 0xFF});
    return RegSetValueExW(key_.get(), Wide(name).c_str(), 0, type, guarded.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }

  bool DeleteValue(std::string_view name) override {
    return RegDeleteValueW(key_.get(), Wide(name).c_str()) == ERROR_SUCCESS;
  }

 private:
  UniqueKey key_;
};

class Win32Registry final : public RegistryBackend {
 public:
  std::unique_ptr<RegistryKeyHandle> OpenKey(RootKey root, std::string_view path, RegistryView view,
                                             KeyAccess access) override {
    const auto windowsPath = WindowsKeyPath(path);
    if (!windowsPath) return nullptr;
    const REGSAM rights =
        (access == KeyAccess::Read ? KEY_READ : KEY_READ | KEY_WRITE) | ViewFlag(view);
    HKEY key = nullptr;
    const LSTATUS status =
        access == KeyAccess::WriteCreate
            ? RegCreateKeyExW(RootHandle(root), windowsPath->c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, rights, nullptr, &key, nullptr)
            : RegOpenKeyExW(RootHandle(root), windowsPath->c_str(), 0, rights, &key);
    if (status != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32KeyHandle>(UniqueKey(key));
  }

  // RegDeleteTreeW takes no view: it empties the key opened in the view, and RegDeleteKeyExW
  // then deletes the empty key in the same view.
  bool DeleteKey(RootKey root, std::string_view path, RegistryView view) override {
    const auto windowsPath = WindowsKeyPath(path);
    if (!windowsPath || windowsPath->empty()) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExW(RootHandle(root), windowsPath->c_str(), 0,
                      KEY_READ | KEY_WRITE | DELETE | ViewFlag(view), &key) != ERROR_SUCCESS) {
      return false;
    }
    const UniqueKey opened(key);
    return RegDeleteTreeW(opened.get(), nullptr) == ERROR_SUCCESS &&
           RegDeleteKeyExW(RootHandle(root), windowsPath->c_str(), ViewFlag(view), 0) ==
               ERROR_SUCCESS;
  }
};

}  // namespace

RegistryBackend& SystemRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace lintrove::platform
