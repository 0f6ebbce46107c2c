#include "flows/check_record_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/error.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

CheckRecord Record() {
  CheckRecord record;
  record.machine = "WINEBOX";
  record.client_version = "1.4.0.0";
  record.service = "http://127.0.0.1:8080/updateservice1400.php";
  record.programs = {{"Alpha", "Alpha GmbH", "1.0", "new-version", "1.1"}};
  return record;
}

// The name decides where it ends in .csv or .json; otherwise the filter chosen does.
TEST(CheckRecordFileTest, TheNamesEndingElseTheChosenFormatDecides) {
  const struct {
    std::string name;
    CheckRecordFormat chosen;
    std::string path;
    CheckRecordFormat format;
  } cases[] = {
      {"/tmp/check.csv", CheckRecordFormat::Json, "/tmp/check.csv", CheckRecordFormat::Csv},
      {"/tmp/check.JSON", CheckRecordFormat::Csv, "/tmp/check.JSON", CheckRecordFormat::Json},
      {"/tmp/check", CheckRecordFormat::Json, "/tmp/check.json", CheckRecordFormat::Json},
      {"/tmp/check", CheckRecordFormat::Csv, "/tmp/check.csv", CheckRecordFormat::Csv},
      {"/tmp/check.txt", CheckRecordFormat::Csv, "/tmp/check.txt.csv", CheckRecordFormat::Csv},
      {"/tmp/v1.2/check", CheckRecordFormat::Json, "/tmp/v1.2/check.json", CheckRecordFormat::Json},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CheckRecordFile file = CheckRecordFileFor(c.name, c.chosen);
    EXPECT_EQ(file.path, fs::path(c.path));
    EXPECT_EQ(file.format, c.format);
  }
}

TEST(CheckRecordFileTest, ExportWritesTheRecordOfTheFormatAndReplacesAnOlderFile) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "check.csv", "an older record");
  const CheckRecord record = Record();

  EXPECT_EQ(ExportCheckRecord(record, dir / "check.csv", CheckRecordFormat::Json),
            dir / "check.csv");
  EXPECT_EQ(test::ReadFileBytes(dir / "check.csv"), FormatCheckRecordCsv(record));
  EXPECT_EQ(ExportCheckRecord(record, dir / "check", CheckRecordFormat::Json), dir / "check.json");
  EXPECT_EQ(test::ReadFileBytes(dir / "check.json"), FormatCheckRecordJson(record));
  // Nothing of the writing is left beside them.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

// A write that fails says which file and why, and leaves what was there as it was.
TEST(CheckRecordFileTest, AFailedExportNamesTheFileAndLosesNothing) {
  test::TempDir dir;
  const fs::path missing = dir / "no such folder" / "check.csv";
  try {
    ExportCheckRecord(Record(), missing, CheckRecordFormat::Csv);
    ADD_FAILURE() << "nothing raised";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("Die Prüfung wurde nicht gespeichert:\r\n"));
    EXPECT_THAT(error.what(), HasSubstr(missing.parent_path().string()));
  }

  // A folder where the file should go cannot be replaced by it; what it holds stays.
  fs::create_directories(dir / "taken.csv");
  test::WriteFileBytes(dir / "taken.csv" / "kept", "kept");
  try {
    ExportCheckRecord(Record(), dir / "taken.csv", CheckRecordFormat::Csv);
    ADD_FAILURE() << "nothing raised";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr((dir / "taken.csv").string() + ": "));
  }
  EXPECT_EQ(test::ReadFileBytes(dir / "taken.csv" / "kept"), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
      << "the temporary file was left behind";
}

}  // namespace
}  // namespace lintrove
