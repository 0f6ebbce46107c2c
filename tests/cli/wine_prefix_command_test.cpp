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
#include "support/wine_prefix_fixture.h"

namespace lintrove::cli {
namespace {

namespace fs = std::filesystem;
using test::TestUpdateService;
using ::testing::HasSubstr;
using ::testing::Not;

struct Outcome {
  int status;
  std::string out, err;
};

// The user's own registry store with a program of its own, and the prefix beside it.
class WinePrefixCommandTest : public ::testing::Test {
 protected:
  WinePrefixCommandTest() : registry_(store_.Path()), installer_(registry_) {
    test::WriteUninstallEntry(registry_, "Own", "Own Program", "7.0");
    test::WriteWinePrefix(prefix_.Path());
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
  // The programs go with the prefix's Windows; the question for a newer client is about this
  // client's own system.
  EXPECT_THAT(service.ClientOf("step1")["WindowsVersion"], ::testing::StartsWith("10.0.19045 "));
  EXPECT_EQ(service.ClientOf("step1")["win64"], "1");
  EXPECT_THAT(service.ClientOf("updatecheck")["WindowsVersion"],
              Not(::testing::StartsWith("10.0.19045")));
  ASSERT_EQ(Check({"--service", service.ServiceUrl(), "--no-ssl"}).status, 0);
  EXPECT_EQ(service.ClientOf("step1")["win64"], "0") << "this machine's store is 32-bit";
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
