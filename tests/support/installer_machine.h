#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/installer_database.h"
#include "support/machine_text.h"

namespace lintrove::test {

inline constexpr std::string_view kInstallerProducts =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Installer\\Products\\";
inline constexpr std::string_view kInstallerUserData =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\"
    "S-1-5-18\\Products\\";
inline constexpr std::string_view kInstallerUpgradeCodes =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Installer\\UpgradeCodes\\";

inline std::string Packed(std::string_view code) { return platform::PackGuid(code).value(); }

// A product as Windows Installer registers it: its registration under Classes\Installer (with
// the source list's package name) and, for an installed product, its InstallProperties.
inline std::string InstallerProduct(std::string_view code, std::string_view productValues,
                                    std::optional<std::string_view> installProperties,
                                    std::string_view packageName = "") {
  std::string packed = Packed(code);
  std::string text = Key(kInstallerProducts, packed, productValues);
  if (!packageName.empty()) {
    text += Key(kInstallerProducts, packed + "\\SourceList",
                "\"PackageName\"=\"" + std::string(packageName) + "\"");
  }
  if (installProperties) {
    text += Key(kInstallerUserData, packed + "\\InstallProperties", *installProperties);
  }
  return text;
}

}  // namespace lintrove::test
