#include "platform/registry.h"

#include <bit>
#include <cstring>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"

namespace lintrove::platform {
namespace {

[[noreturn]] void ThrowInvalidType(std::string_view name) {
  throw Error(Format(LoadResString(ResString::InvalidRegistryType), name));
}
[[noreturn]] void ThrowGetDataFailed(std::string_view name) {
  throw Error(Format(LoadResString(ResString::RegistryGetDataFailed), name));
}
[[noreturn]] void ThrowSetDataFailed(std::string_view name) {
  throw Error(Format(LoadResString(ResString::RegistrySetDataFailed), name));
}

std::vector<std::uint8_t> StringData(std::string_view value) {
  std::vector<std::uint8_t> data = Utf8ToUtf16Le(value);
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::string JoinKeyPath(const std::vector<std::string>& components) {
  std::string path;
  for (const std::string& component : components) {
    if (!path.empty()) path += '\\';
    path += component;
  }
  return path;
}

}  // namespace

bool RedirectsToWow6432Node(std::span<const std::string_view> path) {
  if (path.empty() || !EqualsIgnoringAsciiCase(path[0], "SOFTWARE")) return false;
  if (path.size() >= 2 && EqualsIgnoringAsciiCase(path[1], kWow6432Node)) return false;
  return !(path.size() >= 3 && EqualsIgnoringAsciiCase(path[1], "Classes") &&
           EqualsIgnoringAsciiCase(path[2], "Installer"));
}

std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path) {
  if (path.starts_with('\\')) path.remove_prefix(1);
  if (path.ends_with('\\')) path.remove_suffix(1);
  std::vector<std::string> components;
  if (path.empty()) return components;
  for (std::size_t start = 0;;) {
    std::size_t end = path.find('\\', start);
    std::string_view component = path.substr(start, end - start);
    if (component.empty()) return std::nullopt;
    components.emplace_back(component);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return components;
}

Registry::Registry(RootKey root, RegistryView view, RegistryBackend& backend)
    : root_(root), view_(view), backend_(backend) {}

Registry::~Registry() {
  try {
    CloseKey();
  } catch (...) {
    // A destructor cannot report; the changes stay pending in the backend for its next write.
  }
}

std::optional<std::string> Registry::ResolvePath(std::string_view key) const {
  std::string full;
  if (!key.starts_with('\\') && current_) {
    full = currentPath_;
    full += '\\';
  }
  full += key;
  auto components = SplitKeyPath(full);
  if (!components) return std::nullopt;
  return JoinKeyPath(*components);
}

std::unique_ptr<RegistryKeyHandle> Registry::Open(std::string_view key, KeyAccess access) const {
  auto path = ResolvePath(key);
  if (!path) return nullptr;
  return backend_.OpenKey(root_, *path, view_, access);
}

bool Registry::OpenKey(std::string_view key, bool canCreate) {
  auto path = ResolvePath(key);
  CloseKey();
  if (!path) return false;
  current_ =
      backend_.OpenKey(root_, *path, view_, canCreate ? KeyAccess::WriteCreate : KeyAccess::Write);
  if (current_) currentPath_ = std::move(*path);
  return current_ != nullptr;
}

bool Registry::OpenKeyReadOnly(std::string_view key) {
  auto path = ResolvePath(key);
  CloseKey();
  if (!path) return false;
  current_ = backend_.OpenKey(root_, *path, view_, KeyAccess::Read);
  if (current_) currentPath_ = std::move(*path);
  return current_ != nullptr;
}

void Registry::CloseKey() {
  std::unique_ptr<RegistryKeyHandle> key = std::move(current_);
  currentPath_.clear();
  if (key) key->Close();
}

bool Registry::KeyExists(std::string_view key) const {
  return Open(key, KeyAccess::Read) != nullptr;
}

bool Registry::DeleteKey(std::string_view key) {
  auto path = ResolvePath(key);
  if (!path || path->empty()) return false;
  return backend_.DeleteKey(root_, *path, view_);
}

std::vector<std::string> Registry::GetKeyNames() const {
  return current_ ? current_->SubkeyNames() : std::vector<std::string>{};
}

std::vector<std::string> Registry::GetValueNames() const {
  return current_ ? current_->ValueNames() : std::vector<std::string>{};
}

std::optional<RegistryData> Registry::ReadValue(std::string_view name) const {
  if (!current_) return std::nullopt;
  return current_->QueryValue(name);
}

bool Registry::ValueExists(std::string_view name) const { return ReadValue(name).has_value(); }

std::optional<std::uint32_t> Registry::GetDataType(std::string_view name) const {
  auto value = ReadValue(name);
  if (!value) return std::nullopt;
  return value->type;
}

// Reads a value into a buffer of bufferSize bytes, as the registry does: a missing value or
// one that does not fit cannot be fetched.
RegistryData Registry::GetData(std::string_view name, std::size_t bufferSize) const {
  auto value = ReadValue(name);
  if (!value || value->data.size() > bufferSize) ThrowGetDataFailed(name);
  return std::move(*value);
}

std::string Registry::ReadString(std::string_view name) const {
  auto value = ReadValue(name);
  if (!value || value->data.empty()) return {};
  if (value->type != RegType::Sz && value->type != RegType::ExpandSz) ThrowInvalidType(name);
  std::span<const std::uint8_t> data(value->data);
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    if (data[i] == 0 && data[i + 1] == 0) {
      data = data.first(i);
      break;
    }
  }
  return Utf16LeToUtf8(data);
}

std::int32_t Registry::ReadInteger(std::string_view name) const {
  RegistryData value = GetData(name, sizeof(std::int32_t));
  if (value.type != RegType::Dword) ThrowInvalidType(name);
  std::uint32_t result = 0;
  for (std::size_t i = 0; i < value.data.size(); ++i)
    result |= std::uint32_t{value.data[i]} << (8 * i);
  return static_cast<std::int32_t>(result);
}

std::vector<std::uint8_t> Registry::ReadBinaryData(std::string_view name, std::size_t size) const {
  RegistryData value = GetData(name, size);
  if (value.type != RegType::Binary || value.data.size() != size) ThrowInvalidType(name);
  return std::move(value.data);
}

double Registry::ReadFloat(std::string_view name) const {
  std::vector<std::uint8_t> data = ReadBinaryData(name, sizeof(double));
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < sizeof bits; ++i) bits |= std::uint64_t{data[i]} << (8 * i);
  return std::bit_cast<double>(bits);
}

void Registry::WriteValue(std::string_view name, std::uint32_t type,
                          std::span<const std::uint8_t> data) {
  if (!current_ || !current_->SetValue(name, type, data)) ThrowSetDataFailed(name);
}

void Registry::WriteString(std::string_view name, std::string_view value) {
  WriteValue(name, RegType::Sz, StringData(value));
}

void Registry::WriteExpandString(std::string_view name, std::string_view value) {
  WriteValue(name, RegType::ExpandSz, StringData(value));
}

void Registry::WriteInteger(std::string_view name, std::int32_t value) {
  auto bits = static_cast<std::uint32_t>(value);
  const std::uint8_t data[4] = {
      static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
      static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
  WriteValue(name, RegType::Dword, data);
}

void Registry::WriteBinaryData(std::string_view name, std::span<const std::uint8_t> data) {
  WriteValue(name, RegType::Binary, data);
}

void Registry::WriteFloat(std::string_view name, double value) {
  auto bits = std::bit_cast<std::uint64_t>(value);
  std::uint8_t data[8];
  for (std::size_t i = 0; i < sizeof data; ++i)
    data[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  WriteBinaryData(name, data);
}

bool Registry::DeleteValue(std::string_view name) {
  return current_ && current_->DeleteValue(name);
}

}  // namespace lintrove::platform
