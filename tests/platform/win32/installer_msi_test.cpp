#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/text.h"
#include "installer_packages.h"
#include "platform/installer_database.h"

namespace lintrove::platform {
namespace {

using test::kAlpha;
using test::kBeta;
using test::kGamma;
using test::kPackages;

constexpr std::size_t kBuffer = 2048;

std::vector<std::string> AllProducts() {
  std::vector<std::string> codes;
  while (auto code =
             SystemInstallerDatabase().EnumProducts(static_cast<std::uint32_t>(codes.size())))
    codes.push_back(*code);
  return codes;
}

TEST(MsiInstallerDatabaseTest, EnumeratesEveryInstalledPackageOnce) {
  const std::vector<std::string> codes = AllProducts();
  for (const test::InstallerPackage* package : kPackages) {
    EXPECT_EQ(std::ranges::count(codes, package->productCode), 1) << package->productName;
  }
  EXPECT_EQ(SystemInstallerDatabase().EnumProducts(static_cast<std::uint32_t>(codes.size())),
            std::nullopt);
  // Asking for index 0 again starts a new enumeration.
  EXPECT_EQ(AllProducts(), codes);
}

TEST(MsiInstallerDatabaseTest, ProductInfoIsWhatThePackagesRegistered) {
  for (const test::InstallerPackage* package : kPackages) {
    const std::string packageCode = test::PackageCodeOf(*package);
    const std::pair<std::string_view, std::string_view> expected[] = {
        {"ProductName", package->productName},
        {"InstalledProductName", package->productName},
        {"VersionString", package->versionString},
        {"Version", package->version},
        {"VersionMajor", package->versionMajor},
        {"VersionMinor", package->versionMinor},
        {"Language", package->language},
        {"Publisher", package->publisher},
        {"PackageCode", packageCode},
        {"PackageName", package->packageName},
        {"HelpLink", package->helpLink},
        {"URLInfoAbout", package->urlInfoAbout},
        {"URLUpdateInfo", package->urlUpdateInfo},
    };
    for (const auto& [property, text] : expected) {
      if (text.size() >= kBuffer) continue;  // what does not fit is the next test's
      const InstallerValue value =
          SystemInstallerDatabase().GetProductInfo(package->productCode, property, kBuffer);
      EXPECT_EQ(value.status, InstallerStatus::Success) << package->productName << " " << property;
      EXPECT_EQ(value.text, text) << package->productName << " " << property;
    }
  }
}

// The capacity counts UTF-16 characters with the NUL: a value of capacity - 1 characters is the
// longest that fits.
TEST(MsiInstallerDatabaseTest, ValuesFitUpToOneCharacterShortOfTheCapacity) {
  struct Case {
    std::string_view code, property, text;
  };
  const Case cases[] = {
      {kAlpha.productCode, "VersionString", kAlpha.versionString},
      // 24 characters in UTF-16, 27 bytes in UTF-8.
      {kGamma.productCode, "ProductName", kGamma.productName},
      {kBeta.productCode, "URLInfoAbout", kBeta.urlInfoAbout},
      {kBeta.productCode, "HelpLink", kBeta.helpLink},
  };
  for (const Case& c : cases) {
    const std::size_t length = Utf8ToUtf16(c.text).size();
    InstallerValue fits = SystemInstallerDatabase().GetProductInfo(c.code, c.property, length + 1);
    EXPECT_EQ(fits.status, InstallerStatus::Success) << c.property;
    EXPECT_EQ(fits.text, c.text) << c.property;
    InstallerValue tooLong = SystemInstallerDatabase().GetProductInfo(c.code, c.property, length);
    EXPECT_EQ(tooLong.status, InstallerStatus::MoreData) << c.property;
    EXPECT_EQ(tooLong.text, "") << c.property;
  }
  EXPECT_EQ(kBeta.urlInfoAbout.size(), kBuffer - 1);
  EXPECT_EQ(kBeta.helpLink.size(), kBuffer);
}

TEST(MsiInstallerDatabaseTest, UnknownPropertiesAndProductsAreTold) {
  struct Case {
    std::string_view code, property;
    InstallerStatus status;
  };
  const Case cases[] = {
      {kAlpha.productCode, "NoSuchProperty", InstallerStatus::UnknownProperty},
      {test::kUnknownProductCode, "ProductName", InstallerStatus::UnknownProduct},
      {test::kUnknownProductCode, "VersionString", InstallerStatus::UnknownProduct},
      {"not a product code", "ProductName", InstallerStatus::UnknownProduct},
  };
  for (const Case& c : cases) {
    const InstallerValue value =
        SystemInstallerDatabase().GetProductInfo(c.code, c.property, kBuffer);
    EXPECT_EQ(value.status, c.status) << c.code << " " << c.property;
    EXPECT_EQ(value.text, "") << c.code << " " << c.property;
  }
}

TEST(MsiInstallerDatabaseTest, OpenedProductsAnswerFromTheirDatabase) {
  for (const test::InstallerPackage* package : kPackages) {
    auto product = SystemInstallerDatabase().OpenProduct(package->productCode);
    ASSERT_NE(product, nullptr) << package->productName;
    const std::pair<std::string_view, std::string_view> expected[] = {
        {"UpgradeCode", package->upgradeCode},
        {"ARPCONTACT", package->contact},
        // Beta defines no comments: an empty value, as for any undefined property.
        {"ARPCOMMENTS", package->comments},
        {"ProductCode", package->productCode},
        {"NoSuchProperty", ""},
    };
    for (const auto& [property, text] : expected) {
      const InstallerValue value = product->GetProperty(property, kBuffer);
      EXPECT_EQ(value.status, InstallerStatus::Success) << package->productName << " " << property;
      EXPECT_EQ(value.text, text) << package->productName << " " << property;
    }
  }
}

TEST(MsiInstallerDatabaseTest, OpenedProductsKeepTheCapacityRule) {
  auto product = SystemInstallerDatabase().OpenProduct(kGamma.productCode);
  ASSERT_NE(product, nullptr);
  const std::size_t length = Utf8ToUtf16(kGamma.contact).size();
  EXPECT_EQ(product->GetProperty("ARPCONTACT", length + 1).text, kGamma.contact);
  EXPECT_EQ(product->GetProperty("ARPCONTACT", length).status, InstallerStatus::MoreData);
}

TEST(MsiInstallerDatabaseTest, ProductsThatAreNotInstalledDoNotOpen) {
  EXPECT_EQ(SystemInstallerDatabase().OpenProduct(test::kUnknownProductCode), nullptr);
  EXPECT_EQ(SystemInstallerDatabase().OpenProduct("not a product code"), nullptr);
}

}  // namespace
}  // namespace lintrove::platform
