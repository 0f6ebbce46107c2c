#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "check_command.h"
#include "ignore_command.h"
#include "inventory/machine_fixture.h"
#include "platform/client_version.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "protocol/test_update_service.h"
#include "scan_command.h"
#include "settings/ignore_marks.h"
#include "support/temp_dir.h"

namespace lintrove::cli {
namespace {

namespace fs = std::filesystem;
using test::TestUpdateService;
using ::testing::HasSubstr;
using ::testing::Not;

// A 64-bit Wine prefix as Wine writes its registry: one Windows Installer product (registered
// where msi keeps it), one Uninstall entry in each view and the computer's name behind Wine's
// CurrentControlSet link.
constexpr std::string_view kSystemReg = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Classes\\Installer\\Products\\01C5A2F3D4B712E4A9C6D1E2F3041516] 1733900000
#time=1db4b1a2c3d4e5f
"ProductName"="Alpha Notizblock"
"Version"=dword:01020003
"Language"=dword:00000407

[Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\01C5A2F3D4B712E4A9C6D1E2F3041516\\InstallProperties] 1733900000
#time=1db4b1a2c3d4e5f
"DisplayName"="Alpha Notizblock"
"DisplayVersion"="1.2.3"
"Publisher"="Alpha Werkstatt GmbH"

[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F2A5C10-7B4D-4E21-9A6C-1D2E3F405161}] 1733900000
#time=1db4b1a2c3d4e5f
"DisplayName"="Alpha Notizblock"
"DisplayVersion"="1.2.3"
"UninstallString"="MsiExec.exe /X{3F2A5C10-7B4D-4E21-9A6C-1D2E3F405161}"

[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Werkzeug] 1733900000
#time=1db4b1a2c3d4e5f
"DisplayName"="Werkzeug \x00fc, \"Pro\""
"DisplayVersion"="4.5"
"Publisher"="=Werkstatt"
"UninstallString"="C:\\Werkzeug\\uninstall.exe"

[Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Alt32] 1733900000
#time=1db4b1a2c3d4e5f
"DisplayName"="Alt 32"
"DisplayVersion"=str(2):"0.9"
"UninstallString"="C:\\alt\\u.exe"

[System\\ControlSet001\\Control\\ComputerName\\ComputerName] 1733900000
"ComputerName"="WINEBOX"

[System\\CurrentControlSet] 1733900000
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,45,00,47,00,49,00,53,00,54,00,52,00,59,00,5c,00,4d,00,\
  61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,74,00,65,00,6d,00,\
  5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,00,74,00,30,00,30,00,\
  31,00
)";

struct Outcome {
  int status;
  std::string out, err;
};

// The user's own registry store with a program of its own, and the prefix beside it.
class WinePrefixCommandTest : public ::testing::Test {
 protected:
  WinePrefixCommandTest() : registry_(store_.Path()), installer_(registry_) {
    test::WriteUninstallEntry(registry_, "Own", "Own Program", "7.0");
    test::WriteFileBytes(prefix_ / "system.reg", kSystemReg);
    test::WriteFileBytes(prefix_ / "user.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n");
  }

  template <typename Command>
  Outcome Run(Command command, std::vector<std::string> args) {
    std::ostringstream out, err;
    std::istringstream in;
    CommandContext context{registry_, out, err, in, false};
    const int status = command(args, context, installer_);
    return {status, out.str(), err.str()};
  }
  Outcome Scan(std::vector<std::string> args) {
    return Run([](auto args, auto& context,
                  auto& installer) { return RunScanCommand(args, context, installer, false); },
               std::move(args));
  }
  Outcome Ignore(std::vector<std::string> args) { return Run(RunIgnoreCommand, std::move(args)); }
  Outcome Check(std::vector<std::string> args) { return Run(RunCheckCommand, std::move(args)); }

  std::string Prefix() const { return prefix_.Path().string(); }
  std::string PrefixFiles() const {
    return test::ReadFileBytes(prefix_ / "system.reg") + test::ReadFileBytes(prefix_ / "user.reg");
  }

  test::TempDir store_;
  test::TempDir prefix_;
  platform::PosixRegistry registry_;
  platform::PosixInstallerDatabase installer_;
};

TEST_F(WinePrefixCommandTest, ScanListsThePrefixsProgramsInBothViewsAndLeavesItAsItWas) {
  const std::string before = PrefixFiles();
  const Outcome scan = Scan({"--json", "--wine-prefix", Prefix()});
  ASSERT_EQ(scan.status, 0) << scan.err;
  std::vector<std::tuple<std::string, std::string, std::string>> programs;
  for (const auto& program : nlohmann::json::parse(scan.out)) {
    programs.emplace_back(program["class"],
                          program.value("ProductName", program.value("DisplayName", "")),
                          program.value("VersionString", program.value("DisplayVersion", "")));
  }
  using Row = std::tuple<std::string, std::string, std::string>;
  EXPECT_EQ(programs, (std::vector<Row>{
                          Row{"tWindowsInstallerProgramm", "Alpha Notizblock", "1.2.3"},
                          Row{"tRegistryProgramm", "Alt 32", "0.9"},
                          Row{"tRegistryProgramm", "Werkzeug ü, \"Pro\"", "4.5"},
                      }))
      << scan.out;
  EXPECT_EQ(PrefixFiles(), before);

  // The option may stand anywhere; without it the store's own machine is scanned.
  const Outcome table = Scan({"--wine-prefix", Prefix()});
  EXPECT_THAT(table.out, HasSubstr("Werkzeug"));
  EXPECT_THAT(table.out, Not(HasSubstr("Own Program")));
  const Outcome own = Scan({});
  EXPECT_THAT(own.out, HasSubstr("Own Program"));
  EXPECT_THAT(own.out, Not(HasSubstr("Werkzeug")));
}

TEST_F(WinePrefixCommandTest, WrongPrefixesAreClearErrors) {
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"--wine-prefix"}, "ERROR: '--wine-prefix' needs a directory\n\nUsage: lintrove-cli scan"},
      {{"--wine-prefix", Prefix(), "--wine-prefix", Prefix()},
       "ERROR: '--wine-prefix' given twice\n\nUsage:"},
      {{"--wine-prefix", (store_ / "none").string()},
       "ERROR: " + (store_ / "none").string() + " ist kein Wine-Präfix: system.reg fehlt.\n"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Scan(c.args);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.err.starts_with(c.error)) << outcome.err;
  }
  test::WriteFileBytes(prefix_ / "system.reg", "WINE REGISTRY Version 2\n[Broken\n");
  const Outcome broken = Scan({"--wine-prefix", Prefix()});
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.err, "ERROR: " + (prefix_ / "system.reg").string() +
                            ", Zeile 2: Schlüsselname ohne schließende Klammer am Zeilenende\n");
}

TEST_F(WinePrefixCommandTest, MarksStayTheUsersOwnAndTheRecordNamesThePrefix) {
  const std::string before = PrefixFiles();
  const Outcome ignored = Ignore({"add", "Alt 32", "--wine-prefix", Prefix()});
  ASSERT_EQ(ignored.status, 0) << ignored.err;
  EXPECT_TRUE(IgnoreMarks(registry_).IsIgnored("Alt32Alt 320.9")) << ignored.out;
  const Outcome listed = Ignore({"list", "--wine-prefix", Prefix()});
  EXPECT_EQ(listed.out, "Alt32Alt 320.9\tAlt 32\n");

  TestUpdateService service(TestUpdateService::Catalog{{"Alpha Notizblock", {"1.3.0"}}},
                            ClientVersion());
  const DateTime when =
      FromTimePoint(std::chrono::sys_days(std::chrono::year(2026) / std::chrono::December / 11) +
                    std::chrono::hours(4));
  ScopedClockOverride clock(when);
  const Outcome csv = Check({"--service", service.ServiceUrl(), "--no-ssl", "--format", "csv",
                             "--wine-prefix", Prefix()});
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(service.ProgramsSent(),
            (std::vector<std::string>{"Alpha Notizblock", "Werkzeug ü, \"Pro\""}));
  const std::string facts = "WINEBOX," + Prefix() + ",2026-12-11T04:00:00Z," + ClientVersion() +
                            ",http://" + service.ServiceUrl() + ",";
  EXPECT_EQ(csv.out,
            "\xEF\xBB\xBF"
            "machine,wine_prefix,checked_at,client_version,service,name,publisher,"
            "installed_version,status,newest_version\r\n" +
                facts + "Alpha Notizblock,Alpha Werkstatt GmbH,1.2.3,new-version,1.3.0\r\n" +
                facts + "\"Werkzeug ü, \"\"Pro\"\"\",'=Werkstatt,4.5,unsupported,\r\n");

  const Outcome json = Check({"--service", service.ServiceUrl(), "--no-ssl", "--wine-prefix",
                              Prefix(), "--format", "json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const auto record = nlohmann::json::parse(json.out);
  EXPECT_EQ(record["machine"], (nlohmann::json{{"name", "WINEBOX"}, {"wine_prefix", Prefix()}}));
  ASSERT_EQ(record["programs"].size(), 2u);
  EXPECT_EQ(record["programs"][1]["publisher"], "=Werkstatt") << "JSON holds it as it is";
  EXPECT_EQ(PrefixFiles(), before);
}

TEST_F(WinePrefixCommandTest, RecordFormatsAreCheckedBeforeAnythingIsSent) {
  TestUpdateService service(TestUpdateService::Catalog{});
  for (const auto& args :
       {std::vector<std::string>{"--format", "xml"}, std::vector<std::string>{"--format"},
        std::vector<std::string>{"--json", "--format", "csv"}}) {
    std::vector<std::string> full = args;
    full.insert(full.end(), {"--service", service.ServiceUrl(), "--no-ssl"});
    const Outcome outcome = Check(full);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.err, HasSubstr("Usage: lintrove-cli check"));
  }
  EXPECT_EQ(service.Commands(), std::vector<std::string>{});
}

}  // namespace
}  // namespace lintrove::cli
