// The operator's side: administration commands, options and the release file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "admin_commands.h"
#include "base/error.h"
#include "catalog_json.h"
#include "running_service.h"
#include "service_options.h"
#include "sqlite_catalog_store.h"
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
  EXPECT_EQ(Admin(second, {"catalog", "import", (dir / "catalog.json").string()}),
            "imported 2 programs\n");

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
