#include "flows/check_record.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "base/date_time.h"
#include "inventory/registry_program.h"

namespace lintrove {
namespace {

CheckRecord Record(std::vector<CheckedProgram> programs) {
  CheckRecord record;
  record.machine = "WINEBOX";
  record.checked_at =
      FromTimePoint(std::chrono::sys_days(std::chrono::year(2026) / std::chrono::December / 11) +
                    std::chrono::hours(4) + std::chrono::minutes(5) + std::chrono::seconds(6));
  record.client_version = "1.4.0";
  record.service = "http://127.0.0.1:8080/lintrove/";
  record.programs = std::move(programs);
  return record;
}

TEST(CheckRecordTest, CsvIsRfc4180WithHeaderBomAndCrlf) {
  CheckRecord record = Record({{"Alpha", "Alpha GmbH", "1.0", "new-version", "1.1"},
                               {"Beta", "", "2.0", "unsupported", ""}});
  record.wine_prefix = "/home/anna/.wine";
  EXPECT_EQ(FormatCheckRecordCsv(record),
            "\xEF\xBB\xBF"
            "machine,wine_prefix,checked_at,client_version,service,name,publisher,"
            "installed_version,status,newest_version\r\n"
            "WINEBOX,/home/anna/.wine,2026-12-11T04:05:06Z,1.4.0,http://127.0.0.1:8080/lintrove/,"
            "Alpha,Alpha GmbH,1.0,new-version,1.1\r\n"
            "WINEBOX,/home/anna/.wine,2026-12-11T04:05:06Z,1.4.0,http://127.0.0.1:8080/lintrove/,"
            "Beta,,2.0,unsupported,\r\n");
  // Without programs only the header; without a prefix its field is empty.
  record.wine_prefix.reset();
  record.programs.clear();
  EXPECT_EQ(FormatCheckRecordCsv(record),
            "\xEF\xBB\xBF"
            "machine,wine_prefix,checked_at,client_version,service,name,publisher,"
            "installed_version,status,newest_version\r\n");
}

TEST(CheckRecordTest, CsvFieldsAreQuotedEscapedAndNeverFormulas) {
  const struct {
    std::string name;
    std::string field;
  } cases[] = {
      {"Plain name", "Plain name"},
      {"Müller, Söhne", "\"Müller, Söhne\""},
      {"Say \"hi\"", "\"Say \"\"hi\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"line\nfeed", "\"line\nfeed\""},
      {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
      {"+1", "'+1"},
      {"-cmd", "'-cmd"},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"in=side", "in=side"},
      {"bad \xff byte", "bad \xEF\xBF\xBD byte"},
  };
  for (const auto& c : cases) {
    const std::string csv = FormatCheckRecordCsv(Record({{c.name, "", "", "unknown", ""}}));
    const std::string row_start = "http://127.0.0.1:8080/lintrove/," + c.field + ",,,unknown,\r\n";
    EXPECT_NE(csv.find(row_start), std::string::npos) << c.name << "\n" << csv;
  }
}

TEST(CheckRecordTest, JsonHoldsTheSameFacts) {
  CheckRecord record = Record({{"Say \"hi\"\n\x01", "P\xff", "1.0", "current", ""}});
  nlohmann::json json = nlohmann::json::parse(FormatCheckRecordJson(record));
  EXPECT_EQ(json, nlohmann::json::parse(R"({
    "machine": {"name": "WINEBOX", "wine_prefix": null},
    "checked_at": "2026-12-11T04:05:06Z",
    "client_version": "1.4.0",
    "service": "http://127.0.0.1:8080/lintrove/",
    "programs": [{"name": "Say \"hi\"\n\u0001", "publisher": "P\ufffd",
                  "installed_version": "1.0", "status": "current", "newest_version": ""}]
  })"));
  record.wine_prefix = "/p";
  record.programs.clear();
  json = nlohmann::json::parse(FormatCheckRecordJson(record));
  EXPECT_EQ(json["machine"]["wine_prefix"], "/p");
  EXPECT_EQ(json["programs"], nlohmann::json::array());
}

TEST(CheckRecordTest, AProgramsRowTakesItsVerdict) {
  ProgramVerdict verdict;
  auto program = std::make_unique<RegistryProgram>();
  program->DisplayName = "Alpha";
  program->DisplayVersion = "1.0";
  program->Publisher = "Alpha GmbH";
  verdict.program = std::move(program);
  verdict.status = ProgramStatus::NewVersion;
  for (auto [name, major, minor] : {std::tuple{"1.10", 1, 10}, {"1.9", 1, 9}, {"1.10b", 1, 10}}) {
    auto version = std::make_unique<OfferedVersion>();
    version->str_versionsname = name;
    version->int_version_1 = major;
    version->int_version_2 = minor;
    verdict.versions.Add(std::move(version));
  }
  const CheckedProgram row = ToCheckedProgram(verdict);
  EXPECT_EQ(row.name, "Alpha");
  EXPECT_EQ(row.publisher, "Alpha GmbH");
  EXPECT_EQ(row.installed_version, "1.0");
  EXPECT_EQ(row.status, "new-version");
  EXPECT_EQ(row.newest_version, "1.10") << "the highest numbers, the first of equal ones";
}

}  // namespace
}  // namespace lintrove
