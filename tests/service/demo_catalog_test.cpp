// The demo catalog: the committed reports are the generator's, and learnt by the service they
// give the demo machine every verdict.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "admin/admin_commands.h"
#include "catalog/version_names.h"
#include "demo_reports.h"
#include "flows/scan_flow.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "running_service.h"

namespace lintrove::test {
namespace {

const std::filesystem::path kDemo = std::filesystem::path(LINTROVE_SOURCE_DIR) / "data/demo";

// The demo machine in a registry store of its own.
class DemoMachine {
 public:
  DemoMachine() : registry_(dir_.Path()) {
    const std::string bytes = ReadFileBytes(kDemo / "machine.reg");
    registry_.Import(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), "machine.reg",
                     platform::RegistryView::Default);
  }
  platform::PosixRegistry& Registry() { return registry_; }

  std::vector<std::unique_ptr<Program>> Programs() {
    platform::PosixInstallerDatabase installer(registry_);
    VerdictList records = ScanInventory(registry_, installer, false, nullptr);
    std::vector<std::unique_ptr<Program>> programs;
    for (auto& record : records.ReleaseAll()) programs.push_back(std::move(record->program));
    return programs;
  }

 private:
  TempDir dir_;
  platform::PosixRegistry registry_;
};

TEST(DemoCatalogTest, TheCommittedReportsAreTheGeneratorsOutput) {
  DemoMachine machine;
  const std::vector<demo::DemoReport> reports = demo::MakeDemoReports(machine.Registry());
  ASSERT_EQ(reports.size(), 8u);
  std::set<std::string> committed;
  for (const auto& file : std::filesystem::directory_iterator(kDemo / "reports")) {
    committed.insert(file.path().filename().string());
  }
  std::set<std::string> made;
  for (const demo::DemoReport& report : reports) {
    SCOPED_TRACE(report.file_name);
    made.insert(report.file_name);
    EXPECT_TRUE(ReadFileBytes(kDemo / "reports" / report.file_name) == report.document)
        << "run lintrove-demo-reports data/demo/machine.reg data/demo/reports";
  }
  EXPECT_EQ(committed, made);
}

// The demo catalog learnt on each database engine.
class DemoCatalogLearningTest : public testing::TestWithParam<CatalogEngine> {};

TEST_P(DemoCatalogLearningTest, LearntByTheServiceTheReportsGiveTheDemoMachineEveryVerdict) {
  RunningService service(GetParam(), 3);
  std::vector<std::string> command = {"catalog", "learn"};
  for (const auto& file : std::filesystem::directory_iterator(kDemo / "reports")) {
    command.push_back(file.path().string());
  }
  std::ostringstream out;
  service::RunAdminCommand(command, service.Store(), ThresholdOptions(3), out);
  EXPECT_THAT(out.str(), testing::StartsWith("learned 8 reports of "));

  DemoMachine machine;
  // As the client asks by default: upgrades, no betas.
  const VerdictList verdicts = Check(service, {ClientGuid(1), true, false}, machine.Programs());
  std::map<ProgramStatus, int> statuses;
  bool upgrade_offered = false;
  for (const auto& verdict : verdicts) {
    ++statuses[verdict->status];
    for (const auto& version : verdict->versions) {
      EXPECT_FALSE(service::IsPreRelease(version->str_versionsname)) << version->str_versionsname;
      upgrade_offered = upgrade_offered || version->int_version_1 >
                                               service::MajorNumber(verdict->program->GetVersion());
    }
  }
  EXPECT_GT(statuses[ProgramStatus::Unsupported], 5);
  EXPECT_GT(statuses[ProgramStatus::Current], 20);
  EXPECT_GT(statuses[ProgramStatus::NewVersion], 20);
  EXPECT_EQ(statuses[ProgramStatus::Unknown], 0);
  EXPECT_TRUE(upgrade_offered);

  // A client that asks for betas and no upgrades sees pre-releases, and no new major version.
  const VerdictList betas = Check(service, {ClientGuid(2), false, true}, machine.Programs());
  bool pre_release_offered = false;
  for (const auto& verdict : betas) {
    for (const auto& version : verdict->versions) {
      pre_release_offered = pre_release_offered || service::IsPreRelease(version->str_versionsname);
      EXPECT_LE(version->int_version_1, service::MajorNumber(verdict->program->GetVersion()));
    }
  }
  EXPECT_TRUE(pre_release_offered);
}

INSTANTIATE_TEST_SUITE_P(Engines, DemoCatalogLearningTest, testing::ValuesIn(kCatalogEngines),
                         [](const auto& info) { return EngineName(info.param); });

}  // namespace
}  // namespace lintrove::test
