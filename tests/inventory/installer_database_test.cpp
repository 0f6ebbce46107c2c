#include "platform/posix/posix_installer_database.h"

#include <gtest/gtest.h>

#include "machine_fixture.h"
#include "support/installer_machine.h"

namespace lintrove::platform {
namespace {

using test::InstallerProduct;
using test::Key;

TEST(InstallerGuidTest, PacksAndUnpacks) {
  EXPECT_EQ(PackGuid("{12345678-90AB-CDEF-1234-567890ABCDEF}"), "87654321BA09FEDC2143658709BADCFE");
  EXPECT_EQ(PackGuid("{12345678-90ab-cdef-1234-567890abcdef}"), "87654321BA09FEDC2143658709BADCFE");
  EXPECT_EQ(UnpackGuid("87654321BA09FEDC2143658709BADCFE"),
            "{12345678-90AB-CDEF-1234-567890ABCDEF}");
  for (std::string_view bad :
       {"", "12345678-90AB-CDEF-1234-567890ABCDEF", "{12345678-90AB-CDEF-1234-567890ABCDEG}",
        "{12345678-90AB-CDEF-1234567890ABCDEF0}"}) {
    EXPECT_FALSE(PackGuid(bad)) << bad;
  }
  EXPECT_FALSE(UnpackGuid("87654321BA09FEDC2143658709BADCF"));
  EXPECT_FALSE(UnpackGuid("87654321BA09FEDC2143658709BADCFX"));
}

constexpr std::string_view kInstalled = "{11111111-2222-3333-4444-555555555555}";
constexpr std::string_view kAdvertised = "{AAAAAAAA-2222-3333-4444-555555555555}";

class InstallerDatabaseTest : public test::MachineFixture {
 protected:
  void SetUp() override {
    std::string machine =
        InstallerProduct(kInstalled, R"("ProductName"="Tool"
"PackageCode"="DCBA4321FEDC0BA98765BA0987654321"
"Language"=dword:00000407
"Version"=dword:01020003
"Assignment"=dword:00000001
"ProductIcon"="C:\\Windows\\Installer\\{1111}\\tool.ico")",
                         R"v("DisplayName"="Tool (installed)"
"DisplayVersion"="1.2.3"
"Publisher"="Maker"
"VersionMajor"=dword:00000001
"RegOwner"="Owner"
"Contact"="support@example.org")v",
                         "Tool.msi") +
        InstallerProduct(kAdvertised, R"("ProductName"="Advertised")", std::nullopt) +
        Key(test::kInstallerProducts, "NOT-A-PACKED-CODE", "") +
        Key(test::kInstallerUpgradeCodes, "0FEDCBA987654321FEDCBA9876543210",
            "\"" + test::Packed(kInstalled) + "\"=\"\"");
    database_ = std::make_unique<PosixInstallerDatabase>(Machine(machine));
  }

  std::unique_ptr<PosixInstallerDatabase> database_;
};

TEST_F(InstallerDatabaseTest, EnumeratesRegisteredProductsInRegistryOrder) {
  EXPECT_EQ(database_->EnumProducts(0), kInstalled);
  EXPECT_EQ(database_->EnumProducts(1), kAdvertised);
  EXPECT_EQ(database_->EnumProducts(2), std::nullopt);
}

TEST_F(InstallerDatabaseTest, ProductInfoComesFromWhereTheInstallerKeepsIt) {
  struct Case {
    std::string_view code, property;
    InstallerStatus status;
    std::string_view text;
  };
  const Case cases[] = {
      {kInstalled, "ProductName", InstallerStatus::Success, "Tool"},
      {kInstalled, "PackageCode", InstallerStatus::Success,
       "{1234ABCD-CDEF-9AB0-7856-AB9078563412}"},
      {kInstalled, "Language", InstallerStatus::Success, "1031"},
      {kInstalled, "Version", InstallerStatus::Success, "16908291"},
      {kInstalled, "ProductIcon", InstallerStatus::Success,
       "C:\\Windows\\Installer\\{1111}\\tool.ico"},
      {kInstalled, "PackageName", InstallerStatus::Success, "Tool.msi"},
      {kInstalled, "InstalledProductName", InstallerStatus::Success, "Tool (installed)"},
      {kInstalled, "VersionString", InstallerStatus::Success, "1.2.3"},
      {kInstalled, "Publisher", InstallerStatus::Success, "Maker"},
      {kInstalled, "VersionMajor", InstallerStatus::Success, "1"},
      {kInstalled, "HelpLink", InstallerStatus::Success, ""},
      {kInstalled, "AssignmentType", InstallerStatus::Success, "1"},
      {kInstalled, "RegOwner", InstallerStatus::Success, "Owner"},
      {kInstalled, "ProductID", InstallerStatus::Success, ""},
      {kInstalled, "Manufacturer", InstallerStatus::UnknownProperty, ""},
      {kAdvertised, "ProductName", InstallerStatus::Success, "Advertised"},
      {kAdvertised, "VersionString", InstallerStatus::UnknownProduct, ""},
      {"{99999999-2222-3333-4444-555555555555}", "ProductName", InstallerStatus::UnknownProduct,
       ""},
      {"not a code", "ProductName", InstallerStatus::UnknownProduct, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " " + std::string(c.property));
    InstallerValue value = database_->GetProductInfo(c.code, c.property, 2048);
    EXPECT_EQ(value.status, c.status);
    EXPECT_EQ(value.text, c.text);
  }
}

TEST_F(InstallerDatabaseTest, ValueMustFitTheBufferWithItsTerminator) {
  EXPECT_EQ(database_->GetProductInfo(kInstalled, "VersionString", 6).status,
            InstallerStatus::Success);
  EXPECT_EQ(database_->GetProductInfo(kInstalled, "VersionString", 5).status,
            InstallerStatus::MoreData);
}

TEST_F(InstallerDatabaseTest, OpensOnlyInstalledProducts) {
  EXPECT_EQ(database_->OpenProduct(kAdvertised), nullptr);
  auto product = database_->OpenProduct(kInstalled);
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(product->GetProperty("UpgradeCode", 2048).text,
            "{9ABCDEF0-5678-1234-EFCD-AB8967452301}");
  EXPECT_EQ(product->GetProperty("ARPCONTACT", 2048).text, "support@example.org");
  InstallerValue comments = product->GetProperty("ARPCOMMENTS", 2048);
  EXPECT_EQ(comments.status, InstallerStatus::Success);
  EXPECT_EQ(comments.text, "");
  EXPECT_EQ(product->GetProperty("NoSuchProperty", 2048).status, InstallerStatus::Success);
}

}  // namespace
}  // namespace lintrove::platform
