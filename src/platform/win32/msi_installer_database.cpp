#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// After windows.h, which they need.
#include <msi.h>
#include <msiquery.h>

#include <algorithm>
#include <vector>

#include "platform/installer_database.h"
#include "platform/win32/wide_text.h"

namespace lintrove::platform {
namespace {

// Reads one value with msi.dll's length convention: the buffer holds capacity characters, the
// NUL included, and on success the length is the value's, without it.
template <typename Query>
InstallerValue ReadValue(std::size_t capacity, Query&& query) {
  std::vector<wchar_t> buffer(std::max<std::size_t>(capacity, 1), L'\0');
  DWORD length = static_cast<DWORD>(capacity);
  switch (query(buffer.data(), &length)) {
    case ERROR_SUCCESS:
      return {InstallerStatus::Success,
              Narrow(std::wstring_view(buffer.data(), std::min<std::size_t>(length, capacity)))};
    case ERROR_MORE_DATA:
      return {InstallerStatus::MoreData, {}};
    case ERROR_UNKNOWN_PRODUCT:
    // A product code that is no GUID names no product.
    case ERROR_INVALID_PARAMETER:
      return {InstallerStatus::UnknownProduct, {}};
    default:
      // ERROR_UNKNOWN_PROPERTY, and failures such as ERROR_BAD_CONFIGURATION: the installer
      // gives no value for this property, which is all a caller can act on.
      return {InstallerStatus::UnknownProperty, {}};
  }
}

class MsiHandle {
 public:
  explicit MsiHandle(MSIHANDLE handle) : handle_(handle) {}
  ~MsiHandle() { MsiCloseHandle(handle_); }
  MsiHandle(const MsiHandle&) = delete;
  MsiHandle& operator=(const MsiHandle&) = delete;
  MSIHANDLE Get() const { return handle_; }

 private:
  MSIHANDLE handle_;
};

class MsiProduct final : public InstallerProduct {
 public:
  explicit MsiProduct(MSIHANDLE handle) : handle_(handle) {}

  InstallerValue GetProperty(std::string_view name, std::size_t capacity) override {
    const std::wstring property = Wide(name);
    return ReadValue(capacity, [&](wchar_t* buffer, DWORD* length) {
      return MsiGetProductPropertyW(handle_.Get(), property.c_str(), buffer, length);
    });
  }

 private:
  MsiHandle handle_;
};

class MsiInstallerDatabase final : public InstallerDatabase {
 public:
  std::optional<std::string> EnumProducts(std::uint32_t index) override {
    wchar_t code[39] = {};  // a GUID in braces and its NUL
    // ERROR_NO_MORE_ITEMS past the last product; any other failure ends the list as well.
    if (MsiEnumProductsW(index, code) != ERROR_SUCCESS) return std::nullopt;
    return Narrow(code);
  }

  InstallerValue GetProductInfo(std::string_view productCode, std::string_view property,
                                std::size_t capacity) override {
    const std::wstring code = Wide(productCode);
    const std::wstring name = Wide(property);
    return ReadValue(capacity, [&](wchar_t* buffer, DWORD* length) {
      return MsiGetProductInfoW(code.c_str(), name.c_str(), buffer, length);
    });
  }

  std::unique_ptr<InstallerProduct> OpenProduct(std::string_view productCode) override {
    MSIHANDLE handle = 0;
    if (MsiOpenProductW(Wide(productCode).c_str(), &handle) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<MsiProduct>(handle);
  }
};

}  // namespace

InstallerDatabase& SystemInstallerDatabase() {
  static MsiInstallerDatabase database;
  return database;
}

}  // namespace lintrove::platform
