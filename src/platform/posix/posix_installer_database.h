#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/installer_database.h"
#include "platform/registry.h"

namespace lintrove::platform {

// The per-machine products as Windows Installer registers them, read from the registry:
// HKLM\SOFTWARE\Classes\Installer\Products\<packed code> (name, package code, language, version,
// icon, source list), ...\Installer\UserData\S-1-5-18\Products\<packed code>\InstallProperties
// (what an installed product adds: display name and version, publisher, addresses, location)
// and Classes\Installer\UpgradeCodes. A registry exported from a real machine thus gives the
// products and values the installer itself reports.
class PosixInstallerDatabase final : public InstallerDatabase {
 public:
  explicit PosixInstallerDatabase(RegistryBackend& registry);

  std::optional<std::string> EnumProducts(std::uint32_t index) override;
  InstallerValue GetProductInfo(std::string_view productCode, std::string_view property,
                                std::size_t capacity) override;
  std::unique_ptr<InstallerProduct> OpenProduct(std::string_view productCode) override;

  // The upgrade code (in braces) of a product given by its packed code; empty when it has none.
  std::string UpgradeCodeOf(const std::string& packedProduct);

 private:
  // The registration keys of the product asked for last: a scan asks for one product's
  // properties in a row. Kept until another product is asked for or an enumeration begins.
  struct ProductKeys {
    std::string code;
    std::unique_ptr<RegistryKeyHandle> product, sourceList, installProperties;
  };
  // Null when the product is not registered.
  const ProductKeys* KeysOf(std::string_view productCode);

  RegistryBackend& registry_;
  std::vector<std::string> products_;  // the enumeration begun at index 0
  std::optional<ProductKeys> current_;
  // Packed product code to upgrade code, read on first demand within one enumeration.
  std::optional<std::map<std::string, std::string>> upgradeCodes_;
};

}  // namespace lintrove::platform
