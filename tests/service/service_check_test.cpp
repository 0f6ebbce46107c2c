// The service as the client core meets it: whole update checks over HTTP on 127.0.0.1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "catalog/text_limits.h"
#include "running_service.h"

namespace lintrove::test {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;

template <typename... Items>
std::vector<std::unique_ptr<Program>> ProgramsOf(Items... items) {
  std::vector<std::unique_ptr<Program>> list;
  (list.push_back(std::move(items)), ...);
  return list;
}

// The whole check on each database engine.
class ServiceCheckTest : public testing::TestWithParam<CatalogEngine> {};

TEST_P(ServiceCheckTest, ACheckGetsEveryStatusWithTheCatalogsFacts) {
  service::Release release;
  release.version = "99.1.0.0";
  release.download_url = "https://updates.example.org/setup-99.1.exe";
  RunningService service(GetParam(), 2, release);
  // Two machines make "Tool" 2.0 and "Other" 5.0 known and offered.
  for (int machine : {1, 2}) {
    Check(service, Machine(machine),
          ProgramsOf(RegistryEntry("Tool 2.0 (x64)", "2.0", "Tool Corp", "Tool"),
                     RegistryEntry("Other", "5.0")));
  }

  std::string offered;
  const VerdictList records =
      Check(service, {ClientGuid(3)},
            ProgramsOf(RegistryEntry("Tool 1.0 (x64)", "1.0", "Tool Corp", "Tool"),
                       RegistryEntry("Other", "5.0"), RegistryEntry("Lonely", "1.0")),
            &offered);

  EXPECT_EQ(offered, "99.1.0.0");
  const ProgramVerdict& tool = records.Items(0);
  EXPECT_EQ(tool.status, ProgramStatus::NewVersion);
  ASSERT_EQ(tool.versions.Count(), 1);
  const OfferedVersion& version = tool.versions.Items(0);
  EXPECT_EQ(version.str_versionsname, "2.0");
  EXPECT_EQ(version.int_version_1, 2);
  EXPECT_EQ(version.int_version_2, 0);
  EXPECT_GT(version.int_version, 0);
  EXPECT_GT(version.fk_int_programm, 0);
  EXPECT_EQ(tool.vendor, "Tool Corp");
  EXPECT_TRUE(std::regex_match(tool.hash, std::regex("[0-9a-f]{16}"))) << tool.hash;
  ASSERT_NE(tool.current_version, nullptr);
  EXPECT_GT(tool.current_version->int_version, 0) << "1.0 is in the catalog since this report";
  EXPECT_NE(tool.current_version->int_version, version.int_version);

  EXPECT_EQ(records.Items(1).status, ProgramStatus::Current);
  EXPECT_THAT(VersionNames(records.Items(1)), IsEmpty());
  EXPECT_EQ(records.Items(2).status, ProgramStatus::Unsupported);

  // The same program gets the same hash on every machine.
  const ProgramVerdict again = CheckOne(service, Machine(4), "Other", "4.0");
  EXPECT_EQ(again.hash, records.Items(1).hash);
  EXPECT_THAT(VersionNames(again), ElementsAre("5.0"));
}

TEST_P(ServiceCheckTest, TheLogHasOneLinePerRequestWithoutIdentitiesOrNames) {
  RunningService service(GetParam(), 1);
  Check(service, {ClientGuid(0xABCDEF)},
        ProgramsOf(RegistryEntry("Secret Diary", "1.0"), RegistryEntry("Other", "5.0")));

  const std::string log = service.Log();
  EXPECT_THAT(log, HasSubstr(" noop programs=0 status=200 "));
  EXPECT_THAT(log, HasSubstr(" updatecheck programs=0 status=200 "));
  EXPECT_THAT(log, HasSubstr(" step1 programs=2 status=200 "));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
  EXPECT_THAT(log, Not(HasSubstr("ABCDEF")));
  EXPECT_THAT(log, Not(HasSubstr("Secret")));
}

// Versions reported by each client, the checking client last with 1.0.
struct LearningCase {
  const char* what;
  std::vector<int> reporters_of_2_0;  // a client may report more than once
  ProgramStatus status;
};

TEST_P(ServiceCheckTest, AVersionIsOfferedOnceEnoughDistinctClientsReportedIt) {
  const LearningCase cases[] = {
      {"two clients: one short of the threshold", {1, 2}, ProgramStatus::Current},
      {"three clients: the threshold", {1, 2, 3}, ProgramStatus::NewVersion},
      {"one client three times counts once", {1, 2, 2, 2}, ProgramStatus::Current},
      {"one client alone: the program is not known", {1}, ProgramStatus::Unsupported},
  };
  for (const LearningCase& c : cases) {
    SCOPED_TRACE(c.what);
    RunningService service(GetParam(), 3);
    for (int reporter : c.reporters_of_2_0) CheckOne(service, Machine(reporter), "Tool", "2.0");

    const ProgramVerdict verdict = CheckOne(service, {ClientGuid(99)}, "Tool", "1.0");

    EXPECT_EQ(verdict.status, c.status);
    if (c.status == ProgramStatus::NewVersion) {
      EXPECT_THAT(VersionNames(verdict), ElementsAre("2.0"));
    }
  }
}

TEST_P(ServiceCheckTest, AMaintainersWordStandsForTheReports) {
  RunningService service(GetParam(), 3);
  service::CatalogEntry entry;
  entry.program.identity = "registry:tool|vendor";
  entry.program.added = true;
  entry.program.homepage = "https://tool.example.org/";
  entry.versions.push_back({.name = "3.0.1.2.9", .confirmed = true});
  entry.versions.push_back({.name = "2.5"});  // named, not confirmed: not offered
  service.Store().Curate(std::span(&entry, 1));

  const ProgramVerdict verdict = CheckOne(service, Machine(1), "Tool", "2.0");

  EXPECT_EQ(verdict.status, ProgramStatus::NewVersion);
  EXPECT_THAT(VersionNames(verdict), ElementsAre("3.0.1.2.9"));
  const OfferedVersion& offered = verdict.versions.Items(0);
  EXPECT_EQ(offered.int_trusted, 1);
  // All five numeric parts, the fifth too, for the client's list order.
  EXPECT_EQ(offered.int_version_1, 3);
  EXPECT_EQ(offered.int_version_3, 1);
  EXPECT_EQ(offered.int_version_4, 2);
  EXPECT_EQ(offered.int_version_5, 9);
  EXPECT_EQ(verdict.homepage, "https://tool.example.org/");
}

TEST_P(ServiceCheckTest, UpgradesAndBetasAreOfferedAsTheClientAsks) {
  RunningService service(GetParam(), 3);
  service::CatalogEntry entry;
  entry.program.identity = "registry:tool|vendor";
  entry.program.added = true;
  for (const char* name : {"2.1rc1", "1.6", "2.0", "1.4", "1.7-beta2", "1.5"}) {
    entry.versions.push_back({.name = name, .confirmed = true});
  }
  service.Store().Curate(std::span(&entry, 1));

  const struct {
    bool upgrades;
    bool betas;
    std::string installed;
    std::vector<std::string> offered;  // oldest first
  } cases[] = {
      {false, false, "1.5", {"1.6"}},
      {true, false, "1.5", {"1.6", "2.0"}},
      {false, true, "1.5", {"1.6", "1.7-beta2"}},
      {true, true, "1.5", {"1.6", "1.7-beta2", "2.0", "2.1rc1"}},
      {true, false, "2.0", {}},
      {true, true, "2.2", {}},
  };
  int machine = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "upgrades " << c.upgrades << ", betas " << c.betas
                                    << ", installed " << c.installed);
    const ProgramVerdict verdict =
        CheckOne(service, Machine(++machine, c.upgrades, c.betas), "Tool", c.installed);
    EXPECT_EQ(verdict.status,
              c.offered.empty() ? ProgramStatus::Current : ProgramStatus::NewVersion);
    EXPECT_THAT(VersionNames(verdict), ElementsAreArray(c.offered));
  }
}

TEST_P(ServiceCheckTest, ProgramsAreRecognisedAcrossVersionsByTheirIdentity) {
  RunningService service(GetParam(), 2);
  // Installer products by their upgrade code, whatever their names; registry entries by key
  // and publisher, with versions and architecture left out of the key.
  const std::string upgrade_code = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
  Check(service, Machine(1),
        ProgramsOf(InstallerProduct("Suite 2025", "25.0", "Suite Inc.", upgrade_code),
                   RegistryEntry("Viewer 3.4 (64-bit)", "3.4", "View Ltd", "Viewer 3.4 (64-bit)")));
  Check(service, Machine(2),
        ProgramsOf(InstallerProduct("Suite Professional", "25.0", "Suite GmbH", upgrade_code),
                   RegistryEntry("Viewer v3.4 x64", "3.4", "View Ltd", "Viewer v3.4 x64")));

  const VerdictList records =
      Check(service, {ClientGuid(3)},
            ProgramsOf(InstallerProduct("Suite", "23.0", "Other Publisher", upgrade_code),
                       RegistryEntry("Viewer", "3.0", "View Ltd", "Viewer 3.0"),
                       RegistryEntry("Viewer", "3.0", "Another Vendor", "Viewer 3.0")));

  EXPECT_EQ(records.Items(0).status, ProgramStatus::NewVersion);
  EXPECT_EQ(records.Items(1).status, ProgramStatus::NewVersion);
  EXPECT_EQ(records.Items(2).status, ProgramStatus::Unsupported) << "another publisher";
}

TEST_P(ServiceCheckTest, ClientIdsMadeUpInOneNetworkCountAsOneReporter) {
  RunningService service(GetParam(), 3);
  const std::string code = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
  const auto suite = [&](const char* version, const char* manufacturer) {
    return ProgramsOf(InstallerProduct("Suite", version, manufacturer, code));
  };
  // One machine makes up three client ids: a bogus version under a vendor of its own.
  for (int made_up : {101, 102, 103}) {
    ClientMachine liar = Machine(made_up);
    liar.address = NetworkAddress(100);
    Check(service, liar, suite("9.9.9", "Evil Inc"));
  }
  EXPECT_EQ(Check(service, {ClientGuid(99)}, suite("1.0", "Suite Inc.")).Items(0).status,
            ProgramStatus::Unsupported)
      << "two networks so far";

  for (int machine : {1, 2, 3}) Check(service, Machine(machine), suite("2.0", "Suite Inc."));
  const VerdictList records = Check(service, {ClientGuid(98)}, suite("1.0", "Suite Inc."));

  const ProgramVerdict& verdict = records.Items(0);
  EXPECT_EQ(verdict.status, ProgramStatus::NewVersion);
  EXPECT_THAT(VersionNames(verdict), ElementsAre("2.0")) << "9.9.9 has one network";
  EXPECT_EQ(verdict.vendor, "Suite Inc.") << "the first reporter's vendor lost";
}

TEST_P(ServiceCheckTest, OverlongTextsAreCutOrNotRecorded) {
  RunningService service(GetParam(), 2);
  const std::string code = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
  const std::string huge_vendor(1 << 20, 'V');
  const std::string long_version(100, '9');
  for (int machine : {1, 2}) {
    Check(service, Machine(machine),
          ProgramsOf(InstallerProduct("Suite", "2.0", huge_vendor, code),
                     RegistryEntry("Tool", long_version)));
  }

  const VerdictList records = Check(service, {ClientGuid(3)},
                                    ProgramsOf(InstallerProduct("Suite", "1.0", "Suite Inc.", code),
                                               RegistryEntry("Tool", long_version)));

  EXPECT_EQ(records.Items(0).status, ProgramStatus::NewVersion);
  EXPECT_EQ(records.Items(0).vendor, huge_vendor.substr(0, service::TextLimits::kPublisher));
  EXPECT_EQ(records.Items(1).status, ProgramStatus::Unsupported)
      << "a version that long is no version: not recorded";
}

TEST_P(ServiceCheckTest, OneNetworkCannotFillTheCatalog) {
  RunningService service(GetParam(), 3);
  // Two requests of as many programs as a request may hold, all new, from one network.
  for (int request = 0; request < 2; ++request) {
    std::vector<std::unique_ptr<Program>> flood;
    for (int i = 0; i < 3000; ++i) {
      flood.push_back(
          RegistryEntry("Flood " + std::to_string(request) + "-" + std::to_string(i), "1.0"));
    }
    Check(service, Machine(7), std::move(flood));
  }

  const service::CatalogCounts counts = service.Store().Counts(3);
  EXPECT_EQ(counts.programs + counts.versions, service::Catalog::kDefaultDailyAdditions);
}

INSTANTIATE_TEST_SUITE_P(Engines, ServiceCheckTest, testing::ValuesIn(kCatalogEngines),
                         [](const auto& info) { return EngineName(info.param); });

}  // namespace
}  // namespace lintrove::test
