// The operator's side: administration commands, options and the release file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "admin/admin_commands.h"
#include "admin/service_options.h"
#include "base/error.h"
#include "catalog/catalog.h"
#include "catalog/catalog_json.h"
#include "running_service.h"
#include "storage/open_catalog_store.h"
#include "storage/sqlite_catalog_store.h"
#include "support/temp_dir.h"

namespace lintrove::test {
namespace {

using service::RunAdminCommand;
using service::SqliteCatalogStore;
using service::UsageError;
using testing::HasSubstr;

std::string Admin(SqliteCatalogStore& store, std::vector<std::string> command,
                  std::int64_t threshold = 3) {
  std::ostringstream out;
  EXPECT_EQ(RunAdminCommand(command, store, ThresholdOptions(threshold), out), 0);
  return out.str();
}

TEST(ServiceAdminTest, AnExportedCatalogImportsIntoAnotherWithTheMaintainersMarks) {
  TempDir dir;
  SqliteCatalogStore first(dir / "first.db");
  first.RecordReport(
      {"{A}", "network A"},
      std::vector<service::ReportedProgram>{{"registry:learned|x", "Learned <b>", "X & Co", "1.0"}},
      1000);
  Admin(first, {"catalog", "confirm", "installer:{8C4F0B0E-1A2B-4C3D-9E8F-0123456789AB}", "4.0",
                "4.1 beta"});
  Admin(first, {"catalog", "export", (dir / "catalog.json").string()});

  SqliteCatalogStore second(dir / "second.db");
  EXPECT_THAT(Admin(second, {"catalog", "import", (dir / "catalog.json").string()}),
              testing::EndsWith("new program registry:learned|x\n"
                                "new version registry:learned|x 1.0\nimported 2 programs\n"));

  const auto entries = second.Export();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].program.identity, "installer:{8C4F0B0E-1A2B-4C3D-9E8F-0123456789AB}");
  EXPECT_TRUE(entries[0].program.added);
  ASSERT_EQ(entries[0].versions.size(), 2u);
  EXPECT_EQ(entries[0].versions[1].name, "4.1 beta");
  EXPECT_TRUE(entries[0].versions[1].confirmed);
  EXPECT_EQ(entries[1].program.name, "Learned <b>");
  EXPECT_EQ(entries[1].program.publisher, "X & Co");
  EXPECT_FALSE(entries[1].program.added);
  EXPECT_EQ(entries[1].program.clients, 0) << "counts come from reports alone";
  EXPECT_EQ(Admin(second, {"stats"}, 1),
            "programs: 2 (known: 1)\nversions: 3 (offered: 2)\nclients: 0\norigins: 0\n"
            "reports: 0\n"
            "threshold: 1\n");
  EXPECT_THAT(Admin(first, {"catalog", "export", "-"}),
              HasSubstr("\"identity\": \"registry:learned|x\""));
}

TEST(ServiceAdminTest, ABadCatalogFileChangesNothing) {
  const struct {
    const char* what;
    const char* json;
    const char* message;
  } cases[] = {
      {"no JSON", "{", "parse error"},
      {"an identity of no known shape", R"({"programs":[{"identity":"7-zip"}]})", "identity"},
      {"a home page that is no web address",
       R"({"programs":[{"identity":"registry:a|","homepage":"file:///etc/passwd"}]})",
       "no http or https"},
      {"a version without a name",
       R"({"programs":[{"identity":"registry:a|","versions":[{"confirmed":true}]}]})",
       "without a name"},
      {"an unknown member", R"({"programs":[{"identity":"registry:a|","adde":true}]})",
       "unknown member \"adde\""},
      {"the second program bad",
       R"({"programs":[{"identity":"registry:a|","added":true},{"identity":""}]})", "program 1"},
  };
  TempDir dir;
  SqliteCatalogStore store(dir / "catalog.db");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(dir / "bad.json", c.json);
    std::ostringstream out;
    EXPECT_THAT(
        [&] {
          RunAdminCommand(
              std::vector<std::string>{"catalog", "import", (dir / "bad.json").string()}, store,
              ThresholdOptions(3), out);
        },
        testing::ThrowsMessage<Error>(HasSubstr(c.message)));
    EXPECT_EQ(store.Counts(1).programs, 0);
  }
}

TEST(ServiceAdminTest, WrongCommandsAreUsageErrors) {
  TempDir dir;
  SqliteCatalogStore store(dir / "catalog.db");
  const std::vector<std::vector<std::string>> commands = {{"catalog"},
                                                          {"catalog", "drop"},
                                                          {"catalog", "export"},
                                                          {"catalog", "confirm"},
                                                          {"catalog", "confirm", "7-zip", "1.0"},
                                                          {"stats", "now"},
                                                          {"serve"}};
  for (const auto& command : commands) {
    std::ostringstream out;
    EXPECT_THROW(RunAdminCommand(command, store, ThresholdOptions(3), out), UsageError)
        << command[0];
  }
}

// The commands that change the catalog, on each database engine.
class AdminCommandTest : public testing::TestWithParam<CatalogEngine> {
 protected:
  service::CatalogStore& Store() { return *store_; }

  std::string Run(const std::vector<std::string>& command, bool dry_run = false) {
    service::ServiceOptions options = ThresholdOptions(2);
    options.dry_run = dry_run;
    std::ostringstream out;
    EXPECT_EQ(RunAdminCommand(command, *store_, options, out), 0);
    return out.str();
  }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
  std::unique_ptr<service::CatalogStore> store_ =
      service::OpenCatalogStore(NewCatalogDatabase(GetParam(), dir_));
};

TEST_P(AdminCommandTest, ConfirmAndImportSayWhatTheyCreateAndADryRunChangesNothing) {
  const std::string zip = "registry:7-zip|igor pavlov";
  Store().RecordReport(
      {"{A}", "network A"},
      std::vector<service::ReportedProgram>{{zip, "7-Zip", "Igor Pavlov", "24.08"}}, 1000);
  WriteFileBytes(Dir() / "catalog.json",
                 R"({"programs": [{"identity": "registry:7-zip|igor pavlov", "added": true},
                                  {"identity": "registry:new|", "versions": [{"name": "1.0"}]}]})");
  const struct {
    const char* what;
    std::vector<std::string> command;
    bool dry_run;
    std::string output;
  } cases[] = {
      {"a version the catalog holds",
       {"catalog", "confirm", zip, "24.08"},
       false,
       "confirmed " + zip + " 24.08\n"},
      {"a mistyped identity, tried first",
       {"catalog", "confirm", "registry:7-zp|igor pavlov", "24.08"},
       true,
       "new program registry:7-zp|igor pavlov\nnew version registry:7-zp|igor pavlov 24.08\n"
       "dry run: nothing changed\n"},
      {"a new version",
       {"catalog", "confirm", zip, "24.09"},
       false,
       "new version " + zip + " 24.09\nconfirmed " + zip + " 24.09\n"},
      {"an import, tried first",
       {"catalog", "import", (Dir() / "catalog.json").string()},
       true,
       "new program registry:new|\nnew version registry:new| 1.0\ndry run: nothing changed\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Run(c.command, c.dry_run), c.output);
  }

  const auto catalog = Store().Export();
  ASSERT_EQ(catalog.size(), 1u) << "the dry runs created nothing";
  EXPECT_TRUE(catalog[0].program.added);
  ASSERT_EQ(catalog[0].versions.size(), 2u);
  EXPECT_TRUE(catalog[0].versions[0].confirmed && catalog[0].versions[1].confirmed);
  std::ostringstream out;
  service::ServiceOptions dry = ThresholdOptions(2);
  dry.dry_run = true;
  EXPECT_THROW(RunAdminCommand(std::vector<std::string>{"stats"}, Store(), dry, out), UsageError);
  EXPECT_TRUE(service::ParseOptions(std::vector<std::string>{"catalog", "import", "--dry-run", "f"})
                  .dry_run);
}

TEST_P(AdminCommandTest, RetractAndBanTakeBackWhatOneNetworkTaught) {
  service::Catalog catalog(Store(), 2);
  const std::vector<service::ReportedProgram> bogus = {
      {"registry:tool|vendor", "Tool", "Vendor", "9.9.9"}};
  // Two addresses of one /24 network, and one of another.
  for (const auto& [guid, address] :
       {std::pair{"{A1}", "203.0.113.5"}, std::pair{"{A2}", "203.0.113.77"},
        std::pair{"{B}", "198.51.100.1"}}) {
    Store().RecordReport({guid, catalog.OriginKeyOf(address)}, bogus, 1000);
  }
  const std::vector<service::ProgramQuery> query = {{"registry:tool|vendor", "1.0"}};
  ASSERT_EQ(Store().Lookup(query, 2)[0]->offered.size(), 1u);

  EXPECT_EQ(Run({"catalog", "retract", "registry:tool|vendor", "9.9.9"}),
            "retracted registry:tool|vendor 9.9.9\n");
  EXPECT_THAT(Store().Lookup(query, 2)[0]->offered, testing::IsEmpty());
  EXPECT_EQ(Run({"ban", "origin", "203.0.113.0/24"}),
            "banned origin 203.0.113.0/24, took back 2 reports\n");
  EXPECT_EQ(Store().Lookup(query, 2)[0]->program.clients, 1);
  EXPECT_EQ(Run({"ban", "client", "{0f8fad5b-d9cb-469f-a165-70867728950e}"}),
            "banned client {0F8FAD5B-D9CB-469F-A165-70867728950E}\n");
  EXPECT_EQ(Run({"catalog", "prune"}),
            "pruned 0 programs and 0 versions that did not become known within 30 days\n");

  const std::vector<std::vector<std::string>> wrong = {
      {"ban", "origin", "203.0.113.0/16"},
      {"ban", "origin", "somewhere"},
      {"ban", "client", "{A1}"},
      {"ban", "everyone", "now"},
      {"catalog", "retract", "registry:tool|vendor"},
  };
  for (const auto& command : wrong) {
    SCOPED_TRACE(command[2]);
    std::ostringstream out;
    EXPECT_THROW(RunAdminCommand(command, Store(), ThresholdOptions(2), out), UsageError);
  }
  EXPECT_THAT(
      [&] {
        Run({"catalog", "retract", "registry:tool|vendor", "9.9.8"});
      },
      testing::ThrowsMessage<Error>(HasSubstr("holds no version '9.9.8'")));
}

INSTANTIATE_TEST_SUITE_P(Engines, AdminCommandTest, testing::ValuesIn(kCatalogEngines),
                         [](const auto& info) { return EngineName(info.param); });

TEST(ServiceAdminTest, OptionsTakeTheirValuesInEitherFormAndRefuseWrongOnes) {
  const std::vector<std::string> args = {
      "--port=0", "--listen",          "::1",           "--threshold", "5",
      "stats",    "--log-level=debug", "--force-update"};
  const service::ServiceOptions options = service::ParseOptions(args);
  EXPECT_EQ(options.port, 0);
  EXPECT_EQ(options.listen, "::1");
  EXPECT_EQ(options.threshold, 5);
  EXPECT_EQ(options.log_level, service::LogLevel::Debug);
  EXPECT_TRUE(options.force_update);
  EXPECT_EQ(options.command, std::vector<std::string>{"stats"});

  const std::vector<std::vector<std::string>> wrong = {
      {"--port", "65536"}, {"--port", "80x"}, {"--threshold", "0"}, {"--log-level", "loud"},
      {"--database"},      {"--frobnicate"},  {"--help=yes"}};
  for (const auto& arguments : wrong) {
    EXPECT_THROW(service::ParseOptions(arguments), UsageError) << arguments[0];
  }
}

TEST(ServiceAdminTest, TheReleaseComesFromTheReleaseDirectoryAndTheCommandLineWins) {
  TempDir dir;
  WriteFileBytes(dir / "release.json",
                 R"({"version": "1.5.0.0", "download_url": "https://u.example.org/s.exe",
                     "force_update": true, "info_url": "https://u.example.org/1.5"})");
  service::ServiceOptions options;
  options.release_dir = dir.Path();
  service::Release release = service::ConfiguredRelease(options);
  EXPECT_EQ(release.version, "1.5.0.0");
  EXPECT_EQ(release.download_url, "https://u.example.org/s.exe");
  EXPECT_TRUE(release.force_update);
  EXPECT_EQ(release.info_url, "https://u.example.org/1.5");

  options.client_version = "1.6.0.0";
  EXPECT_EQ(service::ConfiguredRelease(options).version, "1.6.0.0");
  // With a release directory the version is part of the pages' addresses.
  options.client_version = "1.6/../x";
  EXPECT_THROW(service::ConfiguredRelease(options), UsageError);
  options.client_version = "1.6.0.0";
  EXPECT_EQ(service::ConfiguredRelease({}).version, "0.0.0.0");

  WriteFileBytes(dir / "release.json", R"({"verison": "1.5.0.0"})");
  EXPECT_THAT([&] { service::ConfiguredRelease(options); },
              testing::ThrowsMessage<Error>(HasSubstr("unknown member \"verison\"")));
  options.release_dir = dir / "missing";
  EXPECT_THROW(service::ConfiguredRelease(options), Error);
}

}  // namespace
}  // namespace lintrove::test
