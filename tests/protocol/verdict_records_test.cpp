#include "protocol/verdict_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.h"
#include "inventory/registry_program.h"

namespace lintrove {
namespace {

std::unique_ptr<ProgramVerdict> RecordOf(std::string name, std::string about = {},
                                         std::string update_info = {}) {
  auto program = std::make_unique<RegistryProgram>();
  program->DisplayName = std::move(name);
  program->URLInfoAbout = std::move(about);
  program->URLUpdateInfo = std::move(update_info);
  auto record = std::make_unique<ProgramVerdict>();
  record->program = std::move(program);
  return record;
}

TEST(VerdictRecordsTest, FreshRecordShowsTheProgramUntilTheServiceNamesAHomePage) {
  const auto record = RecordOf("Werkzeug", "", "https://updates.example.org");
  EXPECT_EQ(record->status, ProgramStatus::Unknown);
  EXPECT_EQ(record->current_version, nullptr);
  EXPECT_EQ(record->versions.Count(), 0);
  EXPECT_EQ(record->DisplayName(), "Werkzeug");
  EXPECT_EQ(record->Homepage(), "https://updates.example.org");
  record->homepage = "https://vendor.example.org";
  EXPECT_EQ(record->Homepage(), "https://vendor.example.org");
  EXPECT_EQ(ProgramVerdict().DisplayName(), "");
}

TEST(VerdictRecordsTest, ListsRefuseAnIndexOutsideThemWithTheListMessage) {
  VersionList versions;
  EXPECT_EQ(versions.Add(std::make_unique<OfferedVersion>()), 0);
  EXPECT_EQ(versions.Add(std::make_unique<OfferedVersion>()), 1);
  versions.Items(1).str_versionsname = "zwei";
  EXPECT_EQ(versions.Items(1).str_versionsname, "zwei");
  for (int index : {-1, 2}) {
    try {
      versions.Items(index);
      ADD_FAILURE() << index;
    } catch (const Error& error) {
      EXPECT_EQ(error.what(),
                "Listenindex überschreitet das Maximum (" + std::to_string(index) + ")");
    }
  }
  versions.Clear();
  EXPECT_EQ(versions.Count(), 0);
}

TEST(VerdictRecordsTest, ListOrderIsByNameBytesStableAndPrefixFirst) {
  VerdictList records;
  for (const char* name : {"b", "Zeta", "äpfel", "a", "B", "ab", "a", ""})
    records.Add(RecordOf(name));
  std::vector<const ProgramVerdict*> order;
  for (const auto& record : records) order.push_back(record.get());
  SortByDisplayName(order);
  std::vector<std::string> names;
  for (const ProgramVerdict* record : order) names.push_back(record->DisplayName());
  EXPECT_EQ(names, (std::vector<std::string>{"", "B", "Zeta", "a", "a", "ab", "b", "äpfel"}));
  // The two equal names keep their order.
  EXPECT_EQ(order[3], &records.Items(3));
  EXPECT_EQ(order[4], &records.Items(6));
}

}  // namespace
}  // namespace lintrove
