#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lintrove::platform {

// What the installer answers to a property query, as msi.dll does.
enum class InstallerStatus {
  Success,          // ERROR_SUCCESS: the value (possibly empty) fits the caller's buffer
  MoreData,         // ERROR_MORE_DATA: the value needs more than the caller's buffer
  UnknownProperty,  // ERROR_UNKNOWN_PROPERTY
  UnknownProduct,   // ERROR_UNKNOWN_PRODUCT: no such product, or not installed
};

struct InstallerValue {
  InstallerStatus status = InstallerStatus::UnknownProperty;
  std::string text;  // set with Success only
};

// A product opened to read the properties of its installation database; closed when it goes.
class InstallerProduct {
 public:
  virtual ~InstallerProduct() = default;
  // capacity is the caller's buffer in UTF-16 characters, the terminating NUL included, as
  // msi.dll counts it: a value of capacity characters or more is MoreData. A property the
  // database does not define is an empty Success, as the installer has it.
  virtual InstallerValue GetProperty(std::string_view name, std::size_t capacity) = 0;
};

// The Windows Installer's register of installed products.
class InstallerDatabase {
 public:
  virtual ~InstallerDatabase() = default;
  // The product code (in braces) at index; none past the last product. Indexes are asked in
  // order from 0: asking for 0 starts a new enumeration.
  virtual std::optional<std::string> EnumProducts(std::uint32_t index) = 0;
  // A product's registered property (InstalledProductName, VersionString, Publisher, ...).
  // capacity as for InstallerProduct::GetProperty.
  virtual InstallerValue GetProductInfo(std::string_view productCode, std::string_view property,
                                        std::size_t capacity) = 0;
  // Null when the product cannot be opened.
  virtual std::unique_ptr<InstallerProduct> OpenProduct(std::string_view productCode) = 0;
};

// The installer of this system. On Linux, the per-machine product registrations in the registry
// store, read where Windows Installer keeps them.
InstallerDatabase& SystemInstallerDatabase();

// The registry's packed form of a GUID in braces: the first three groups reversed, each pair of
// hex digits of the rest swapped, no braces or dashes. None for a text that is no GUID.
std::optional<std::string> PackGuid(std::string_view guid);
// The reverse: a GUID in braces (upper-case hex) from its packed form.
std::optional<std::string> UnpackGuid(std::string_view packed);

}  // namespace lintrove::platform
