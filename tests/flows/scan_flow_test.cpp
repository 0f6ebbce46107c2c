#include "flows/scan_flow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inventory/machine_fixture.h"
#include "platform/posix/posix_installer_database.h"

namespace lintrove {
namespace {

using test::Key;
using test::kUninstall64;

// Records every report and stops the work at the report numbered stop_at (from 1), if any.
class RecordingObserver final : public ProgressObserver {
 public:
  explicit RecordingObserver(int stop_at = 0) : stop_at_(stop_at) {}
  bool Report(const ProgressReport& report) override {
    reports.push_back(std::string(report.activity) + " " + std::string(report.item) + " " +
                      std::to_string(report.position) + "/" + std::to_string(report.total));
    return static_cast<int>(reports.size()) != stop_at_;
  }
  std::vector<std::string> reports;

 private:
  int stop_at_;
};

class ScanFlowTest : public test::MachineFixture {
 protected:
  platform::PosixRegistry& TwoProgramMachine() {
    return Machine(Key(kUninstall64, "Beta",
                       "\"DisplayName\"=\"Beta\"\r\n\"UninstallString\"=\"beta.exe /x\"") +
                   Key(kUninstall64, "Alpha",
                       "\"DisplayName\"=\"Alpha\"\r\n\"DisplayVersion\"=\"2.0\"\r\n"
                       "\"UninstallString\"=\"alpha.exe /x\""));
  }
};

TEST_F(ScanFlowTest, EveryProgramComesInAFreshRecordWithoutVerdict) {
  platform::PosixRegistry& registry = TwoProgramMachine();
  platform::PosixInstallerDatabase installer(registry);
  RecordingObserver observer;

  const VerdictList records = ScanInventory(registry, installer, false, &observer);

  ASSERT_EQ(records.Count(), 2);
  EXPECT_EQ(records.Items(0).DisplayName(), "Alpha");
  EXPECT_EQ(records.Items(0).program->GetVersion(), "2.0");
  EXPECT_EQ(records.Items(1).DisplayName(), "Beta");
  for (const auto& record : records) {
    EXPECT_EQ(record->status, ProgramStatus::Unknown);
    EXPECT_EQ(record->versions.Count(), 0);
    EXPECT_EQ(record->current_version, nullptr);
  }
  // The registry source counts its keys from 0.
  EXPECT_THAT(observer.reports, testing::ElementsAre("Registry Alpha 0/2", "Registry Beta 1/2"));
}

TEST_F(ScanFlowTest, ACancelEndsTheScanWithNothingReturned) {
  platform::PosixRegistry& registry = TwoProgramMachine();
  platform::PosixInstallerDatabase installer(registry);
  RecordingObserver observer(2);

  EXPECT_THROW(ScanInventory(registry, installer, false, &observer), Cancelled);
  EXPECT_EQ(observer.reports.size(), 2u) << "no report after the cancel";
}

}  // namespace
}  // namespace lintrove
