#include "inventory/installer_finder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "inventory/installer_program.h"
#include "machine_fixture.h"
#include "platform/posix/posix_installer_database.h"
#include "support/installer_machine.h"

namespace lintrove {
namespace {

using test::InstallerProduct;
using ::testing::ElementsAre;

struct Progress {
  std::string name;
  std::int32_t position, total;
  bool operator==(const Progress&) const = default;
};

void PrintTo(const Progress& p, std::ostream* out) {
  *out << p.name << "/" << p.position << "/" << p.total;
}

constexpr std::string_view kFull = "{11111111-2222-3333-4444-555555555555}";

std::string FullProduct() {
  return InstallerProduct(kFull, R"("ProductName"="Tool"
"PackageCode"="DCBA4321FEDC0BA98765BA0987654321"
"Language"=dword:00000407
"Version"=dword:01020003
"ProductIcon"="C:\\Windows\\Installer\\tool.ico,0")",
                          R"v("DisplayName"="Tool (installed)"
"DisplayVersion"="1.2.3"
"Publisher"="Maker"
"Manufacturer"="not read"
"InstallLocation"="C:\\Program Files\\Tool\\"
"HelpLink"="https://example.org/help"
"URLInfoAbout"="https://example.org/"
"URLUpdateInfo"="https://example.org/update"
"VersionMajor"=dword:00000001
"VersionMinor"=dword:00000002
"Contact"="support@example.org"
"Comments"="A tool")v",
                          "Tool.msi") +
         test::Key(test::kInstallerUpgradeCodes, "0FEDCBA987654321FEDCBA9876543210",
                   "\"" + test::Packed(kFull) + "\"=\"\"");
}

class InstallerFinderTest : public test::MachineFixture {
 protected:
  void Scan(std::string_view machine, bool extended = false) {
    platform::PosixInstallerDatabase database(Machine(machine));
    InstallerFinder finder(database);
    finder.extended_info = extended;
    ProgressFunction observer([this](const ProgressReport& report) {
      EXPECT_EQ(report.activity, "Windows Installer");
      progress_.push_back({std::string(report.item), static_cast<std::int32_t>(report.position),
                           static_cast<std::int32_t>(report.total)});
    });
    finder.progress = &observer;
    finder.Find(list_);
  }

  const InstallerProgram& ProgramAt(int index) const {
    return dynamic_cast<const InstallerProgram&>(list_.Items(index));
  }

  ProgramList list_;
  std::vector<Progress> progress_;
};

TEST_F(InstallerFinderTest, ReadsTheProductProperties) {
  Scan(FullProduct(), true);
  ASSERT_EQ(list_.Count(), 1);
  const InstallerProgram& p = ProgramAt(0);
  EXPECT_EQ(p.ProduktGuid, kFull);
  EXPECT_EQ(p.ProductName, "Tool");
  EXPECT_EQ(p.PackageCode, "{1234ABCD-CDEF-9AB0-7856-AB9078563412}");
  EXPECT_EQ(p.Language, "1031");
  EXPECT_EQ(p.PackageName, "Tool.msi");
  EXPECT_EQ(p.Version, "16908291");
  EXPECT_EQ(p.InstalledProductName, "Tool (installed)");
  EXPECT_EQ(p.InstallLocation, "C:\\Program Files\\Tool\\");
  EXPECT_EQ(p.HelpLink, "https://example.org/help");
  EXPECT_EQ(p.VersionString, "1.2.3");
  EXPECT_EQ(p.URLInfoAbout, "https://example.org/");
  EXPECT_EQ(p.URLUpdateInfo, "https://example.org/update");
  EXPECT_EQ(p.VersionMinor, "2");
  EXPECT_EQ(p.VersionMajor, "1");
  EXPECT_EQ(p.UpgradeCode, "{9ABCDEF0-5678-1234-EFCD-AB8967452301}");
  EXPECT_EQ(p.Manufacturer, "Maker");  // the installer's Publisher
  EXPECT_EQ(p.ARPCONTACT, "support@example.org");
  EXPECT_EQ(p.ARPCOMMENTS, "A tool");
  EXPECT_EQ(p.product_icon, "C:\\Windows\\Installer\\tool.ico,0");
  EXPECT_THAT(progress_, ElementsAre(Progress{"Tool", 1, 1}));
}

TEST_F(InstallerFinderTest, WithoutExtendedInfoTheProductIsNotOpened) {
  Scan(FullProduct());
  ASSERT_EQ(list_.Count(), 1);
  EXPECT_EQ(ProgramAt(0).UpgradeCode, "");
  EXPECT_EQ(ProgramAt(0).ARPCONTACT, "");
  EXPECT_EQ(ProgramAt(0).ARPCOMMENTS, "");
  EXPECT_EQ(ProgramAt(0).HelpLink, "https://example.org/help");
}

TEST_F(InstallerFinderTest, ProgressIsOneBasedWithGapsForProductsWithoutVersionString) {
  std::string machine =
      InstallerProduct("{10000000-0000-0000-0000-000000000000}", "\"ProductName\"=\"First\"",
                       "\"DisplayVersion\"=\"1\"") +
      InstallerProduct("{20000000-0000-0000-0000-000000000000}", "\"ProductName\"=\"Advertised\"",
                       std::nullopt) +
      InstallerProduct("{30000000-0000-0000-0000-000000000000}", "\"ProductName\"=\"NoVersion\"",
                       "\"Publisher\"=\"Maker\"") +
      InstallerProduct("{40000000-0000-0000-0000-000000000000}", "\"ProductName\"=\"   \"",
                       "\"DisplayName\"=\"Installed name\"\r\n\"DisplayVersion\"=\"4\"");
  Scan(machine);
  // The advertised product has no version string: skipped without a report. A blank name is
  // reported, then dropped, whatever the installed name.
  EXPECT_THAT(progress_, ElementsAre(Progress{"First", 1, 4}, Progress{"NoVersion", 3, 4},
                                     Progress{"   ", 4, 4}));
  ASSERT_EQ(list_.Count(), 2);
  EXPECT_EQ(ProgramAt(0).ProductName, "First");
  EXPECT_EQ(ProgramAt(1).ProductName, "NoVersion");
  EXPECT_EQ(ProgramAt(1).VersionString, "");  // an empty version string is a version string
}

TEST_F(InstallerFinderTest, ValuesLongerThanTheBufferStayEmpty) {
  std::string fits(2047, 'a');
  std::string tooLong(2048, 'b');
  Scan(InstallerProduct("{10000000-0000-0000-0000-000000000000}", "\"ProductName\"=\"Tool\"",
                        "\"DisplayVersion\"=\"1\"\r\n\"HelpLink\"=\"" + fits +
                            "\"\r\n\"URLInfoAbout\"=\"" + tooLong + "\""));
  ASSERT_EQ(list_.Count(), 1);
  EXPECT_EQ(ProgramAt(0).HelpLink, fits);
  EXPECT_EQ(ProgramAt(0).URLInfoAbout, "");
}

TEST_F(InstallerFinderTest, NoProductsGiveNothing) {
  Scan("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\r\n");
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_TRUE(progress_.empty());
}

}  // namespace
}  // namespace lintrove
