#include "inventory/platform_facts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "machine_fixture.h"

namespace lintrove {
namespace {

constexpr std::string_view kCurrentVersion =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n";

class PlatformFactsTest : public test::MachineFixture {};

TEST_F(PlatformFactsTest, SixtyFourBitMachineHasTheThirtyTwoBitBranch) {
  EXPECT_TRUE(IsWindows64(Machine(test::kWow64Node)));
  EXPECT_FALSE(IsWindows64(Machine("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]\r\n")));
}

TEST_F(PlatformFactsTest, VersionStringOfTheRecordedWindows) {
  struct Case {
    std::string_view description, values, text;
  };
  const Case cases[] = {
      {"Windows 7 SP1", R"("CurrentVersion"="6.1"
"CurrentBuildNumber"="7601"
"CSDVersion"="Service Pack 1")",
       "6.1.7601 2 Service Pack 1"},
      {"Windows 7 without a service pack", R"("CurrentVersion"="6.1"
"CurrentBuildNumber"="7600")",
       "6.1.7600 2"},
      {"Windows 10, which keeps CurrentVersion at 6.3", R"("CurrentVersion"="6.3"
"CurrentBuild"="19045"
"CurrentBuildNumber"="19045"
"CurrentMajorVersionNumber"=dword:0000000a
"CurrentMinorVersionNumber"=dword:00000000)",
       "10.0.19045 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(
        GetWindowsVersionString(Machine(std::string(kCurrentVersion) + std::string(c.values))),
        c.text);
  }
}

TEST_F(PlatformFactsTest, StoreWithoutAWindowsVersionGivesTheHostsInTheSameFormat) {
  EXPECT_THAT(
      GetWindowsVersionString(Machine(std::string(kCurrentVersion) + "\"CurrentVersion\"=\"x\"")),
      ::testing::MatchesRegex("[0-9]+\\.[0-9]+\\.[0-9]+ 2 Linux"));
}

TEST(DemoMachineFactsTest, IsSixtyFourBitWindowsTen) {
  test::TempDir dir;
  std::filesystem::copy_file(LINTROVE_DEMO_MACHINE, dir / "HKEY_LOCAL_MACHINE.reg");
  platform::PosixRegistry registry(dir.Path());
  EXPECT_TRUE(IsWindows64(registry));
  EXPECT_EQ(GetWindowsVersionString(registry), "10.0.19045 2");
}

}  // namespace
}  // namespace lintrove
