#include "check_command.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "inventory/installer_finder.h"
#include "inventory/machine_fixture.h"
#include "inventory/registry_finder.h"
#include "platform/client_version.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "protocol/test_update_service.h"
#include "reg_command.h"
#include "settings/ignore_marks.h"
#include "settings/registry_persistent_settings.h"
#include "support/temp_dir.h"

namespace lintrove::cli {
namespace {

using test::TestUpdateService;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// A machine in a registry store of its own, and lintrove-cli's check run on it in-process.
class CheckCommandTest : public testing::Test {
 protected:
  CheckCommandTest() : registry_(dir_.Path()), installer_(registry_) {}

  struct Run {
    int status;
    std::string out;
    std::string err;
  };

  Run Check(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CommandContext context{registry_, out, err, in, false};
    const int status = RunCheckCommand(args, context, installer_);
    return {status, out.str(), err.str()};
  }

  void ImportDemoMachine() {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CommandContext context{registry_, out, err, in, false};
    const std::vector<std::string> args = {"import", LINTROVE_DEMO_MACHINE};
    ASSERT_EQ(RunRegCommand(args, context), 0) << err.str();
  }

  void AddUninstallEntry(const std::string& key, const std::string& name,
                         const std::string& version) {
    test::WriteUninstallEntry(registry_, key, name, version);
  }

  // The programs a scan of the machine finds, with their installed versions.
  std::vector<std::pair<std::string, std::string>> ScannedPrograms() {
    ProgramList found;
    InstallerFinder(installer_).Find(found);
    RegistryFinder(registry_).Find(found);
    std::vector<std::pair<std::string, std::string>> programs;
    for (int i = 0; i < found.Count(); ++i) {
      programs.emplace_back(found.Items(i).GetName(), found.Items(i).GetVersion());
    }
    return programs;
  }

  std::optional<double> StoredLastCheck() {
    platform::Registry registry(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                                registry_);
    if (!registry.OpenKeyReadOnly(SettingsKey) || !registry.ValueExists("dat_lastcheck")) {
      return std::nullopt;
    }
    return registry.ReadFloat("dat_lastcheck");
  }

  test::TempDir dir_;
  platform::PosixRegistry registry_;
  platform::PosixInstallerDatabase installer_;
};

TEST_F(CheckCommandTest, PrintsTheVerdictsOfTheDemoMachineAndStoresTheCheckTime) {
  ImportDemoMachine();
  const auto programs = ScannedPrograms();
  ASSERT_GT(programs.size(), 50u);
  TestUpdateService service(
      TestUpdateService::Catalog{{"paint.net", {"5.0.13", "5.1", "4.9"}}, {"KeePassXC", {}}},
      ClientVersion());

  const DateTime first_check = EncodeDateTime(2026, 12, 10, 9, 30, 0, 0);
  {
    ScopedClockOverride clock(first_check);
    const Run run = Check({"--service", service.ServiceUrl(), "--no-ssl"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(service.Commands(), (std::vector<std::string>{"noop", "updatecheck", "step1"}));

    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), programs.size());
    std::vector<std::string> names;
    for (const std::string& line : lines) names.push_back(line.substr(line.find('\t') + 1));
    EXPECT_TRUE(std::ranges::is_sorted(names)) << run.out;
    // Every program of the machine, each once, and all sent.
    EXPECT_EQ(service.ProgramsSent().size(), programs.size());
    for (const auto& [name, version] : programs) {
      const bool known = name == "paint.net" || name == "KeePassXC";
      if (known) continue;
      EXPECT_NE(std::ranges::find(lines, "unsupported\t" + name + '\t' + version + '\t'),
                lines.end())
          << name;
    }
    const auto paint =
        std::ranges::find(programs, "paint.net", &std::pair<std::string, std::string>::first);
    const auto keepass =
        std::ranges::find(programs, "KeePassXC", &std::pair<std::string, std::string>::first);
    ASSERT_NE(paint, programs.end());
    ASSERT_NE(keepass, programs.end());
    EXPECT_NE(std::ranges::find(lines, "new-version\tpaint.net\t" + paint->second + "\t5.1"),
              lines.end())
        << run.out;
    EXPECT_NE(std::ranges::find(lines, "current\tKeePassXC\t" + keepass->second + '\t'),
              lines.end())
        << run.out;
  }
  EXPECT_EQ(StoredLastCheck(), first_check);

  // With the service gone the check fails before any verdict, and the time stays.
  service.Stop();
  ScopedClockOverride clock(first_check + 1);
  const Run failed = Check({"--service", service.ServiceUrl(), "--no-ssl"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out, "");
  const std::string prefix =
      "ERROR: Es ist beim Verbinden zum Server ein Fehler aufgetreten.\r\nDie Fehlermeldung ist: "
      "\r\nFailed to connect to 127.0.0.1";
  EXPECT_TRUE(failed.err.starts_with(prefix)) << failed.err;
  EXPECT_EQ(StoredLastCheck(), first_check);
}

TEST_F(CheckCommandTest, IgnoredProgramsAreNotSentAndTheStoredServiceIsUsed) {
  AddUninstallEntry("Zeta", "Zeta", "1.0");
  AddUninstallEntry("Alpha", "Alpha", "2.0");
  AddUninstallEntry("Mid", "Mid", "3.0");
  IgnoreMarks::SetIgnored("MidMid3.0", true, registry_);
  TestUpdateService service(TestUpdateService::Catalog{{"Alpha", {"2.1"}}, {"Zeta", {}}});
  {
    platform::Registry system(platform::RootKey::LocalMachine, platform::RegistryView::Default,
                              registry_);
    ASSERT_TRUE(system.OpenKey(SettingsKey, true));
    system.WriteString("StrServiceUrl", service.ServiceUrl());
    system.CloseKey();
    platform::Registry user(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                            registry_);
    ASSERT_TRUE(user.OpenKey(SettingsKey, true));
    user.WriteInteger("bol_ssl", 0);
    user.CloseKey();
  }

  const Run run = Check({});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(service.ProgramsSent(), (std::vector<std::string>{"Alpha", "Zeta"}));
  EXPECT_EQ(run.out,
            "new-version\tAlpha\t2.0\t2.1\n"
            "ignored\tMid\t3.0\t\n"
            "current\tZeta\t1.0\t\n");

  const Run json = Check({"--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const auto elements = nlohmann::json::parse(json.out);
  EXPECT_EQ(elements, nlohmann::json::parse(R"([
    {"name": "Alpha", "status": "new-version", "installed_version": "2.0",
     "newest_version": "2.1", "vendor": "Vendor of Alpha", "homepage": "https://example.org/",
     "versions": ["2.1"]},
    {"name": "Mid", "status": "ignored", "installed_version": "3.0", "newest_version": "",
     "vendor": "", "homepage": "", "versions": []},
    {"name": "Zeta", "status": "current", "installed_version": "1.0", "newest_version": "",
     "vendor": "Vendor of Zeta", "homepage": "https://example.org/", "versions": []}
  ])"));
  EXPECT_EQ(std::ranges::count(json.out, '\n'), 5) << "one program to a line";
  // The settings were stored without the options of one run.
  platform::Registry user(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                          registry_);
  ASSERT_TRUE(user.OpenKeyReadOnly(SettingsKey));
  EXPECT_EQ(user.ReadInteger("bol_ssl"), 0);
}

TEST_F(CheckCommandTest, NewerClientIsReportedAndTheCheckGoesOn) {
  AddUninstallEntry("Tool", "Tool", "1.0");
  TestUpdateService service(TestUpdateService::Catalog{{"Tool", {}}}, "99.0.0.0");
  const Run run = Check({"--service", service.ServiceUrl(), "--no-ssl"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err,
            "Das Programm ist veraltet und kann aktuallisiert werden.\n"
            "Neue Version 99.0.0.0: https://example.org/lintrove-setup.exe\n");
  EXPECT_EQ(run.out, "current\tTool\t1.0\t\n");
}

TEST_F(CheckCommandTest, FailuresEndTheCheckWithTheMessageAndWithoutStoringIt) {
  AddUninstallEntry("Tool", "Tool", "1.0");
  test::TestHttpServer not_a_service([](const httplib::Request&, httplib::Response& response) {
    response.status = 404;
    response.set_content("<html><body>Not Found<br></body></html>", "text/html");
  });
  const struct {
    std::vector<std::string> args;
    std::string err_start;
  } cases[] = {
      {{"--service", not_a_service.ServiceUrl(), "--no-ssl"},
       "ERROR: " +
           Format(LoadResString(ResString::ConnectionFailed),
                  LoadResString(ResString::ServiceUnreachable)) +
           "\n"},
      {{"--service", "nonexistent.invalid/updateservice1400.php", "--no-ssl"},
       "ERROR: Es ist beim Verbinden zum Server ein Fehler aufgetreten.\r\nDie Fehlermeldung ist: "
       "\r\nCould not resolve host: nonexistent.invalid"},
      {{"--bogus"}, "ERROR: unknown argument '--bogus'\n\nUsage: lintrove-cli check"},
  };
  for (const auto& c : cases) {
    const Run run = Check(c.args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with(c.err_start)) << run.err;
    EXPECT_EQ(StoredLastCheck(), std::nullopt);
  }
}

}  // namespace
}  // namespace lintrove::cli
