#pragma once

#include <array>
#include <string>
#include <string_view>

namespace lintrove::test {

// The packages of tests/fixtures/msi, installed into the Wine prefix before the tests run.
struct InstallerPackage {
  std::string_view productCode;
  std::string_view packageName;
  std::string_view productName;
  std::string_view versionString;
  std::string_view version;  // the installer's DWORD of it, as decimal text
  std::string_view versionMajor;
  std::string_view versionMinor;
  std::string_view language;
  std::string_view publisher;
  std::string_view upgradeCode;
  std::string_view contact;
  std::string_view comments;
  std::string_view helpLink;
  std::string_view urlInfoAbout;
  std::string_view urlUpdateInfo;
};

// Built into the beta package: 2047 and 2048 characters, one just inside and one just outside a
// value buffer of 2048 characters with its NUL.
inline constexpr std::string_view kBetaInfoUrl = LINTROVE_MSI_INFO_URL;
inline constexpr std::string_view kBetaHelpUrl = LINTROVE_MSI_HELP_URL;

inline constexpr InstallerPackage kAlpha{"{3F2A5C10-7B4D-4E21-9A6C-1D2E3F405161}",
                                         "alpha.msi",
                                         "Alpha Notizblock",
                                         "1.2.3",
                                         "16908291",
                                         "1",
                                         "2",
                                         "1031",
                                         "Alpha Werkstatt GmbH",
                                         "{9C1B2A30-4D5E-46F7-8A9B-0C1D2E3F4A5B}",
                                         "Support-Team Alpha",
                                         "Notizen für jeden Tag",
                                         "https://alpha.example.org/hilfe",
                                         "https://alpha.example.org/",
                                         "https://alpha.example.org/neu"};

inline constexpr InstallerPackage kBeta{"{7D0E1F20-3A4B-4C5D-8E6F-70819A2B3C4D}",
                                        "beta.msi",
                                        "Beta Bildbetrachter",
                                        "4.5.6789",
                                        "67443333",
                                        "4",
                                        "5",
                                        "1033",
                                        "Beta Software AG",
                                        "{2B3C4D5E-6F70-4812-93A4-B5C6D7E8F901}",
                                        "beta-support@example.org",
                                        "",
                                        kBetaHelpUrl,
                                        kBetaInfoUrl,
                                        ""};

// A 32-bit package.
inline constexpr InstallerPackage kGamma{"{C4D5E6F7-0819-4A2B-BC3D-4E5F60718293}",
                                         "gamma.msi",
                                         "Gamma Rechner für Größen",
                                         "10.0.1",
                                         "167772161",
                                         "10",
                                         "0",
                                         "1031",
                                         "Gamma & Söhne",
                                         "{D5E6F708-192A-4B3C-8D4E-5F6071829304}",
                                         "Jörg Größer",
                                         "Rechnet Längen, Flächen und Maße um",
                                         "",
                                         "",
                                         "https://gamma.example.org/aktualisierung"};

inline constexpr std::array<const InstallerPackage*, 3> kPackages{&kAlpha, &kBeta, &kGamma};

// The package code that the build gave the package (wixl makes a new one every time), read from
// the package file beside the test program.
std::string PackageCodeOf(const InstallerPackage& package);

// Installed nowhere.
inline constexpr std::string_view kUnknownProductCode = "{0BADC0DE-0000-4000-8000-000000000001}";

}  // namespace lintrove::test
