#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "platform/registry.h"
#include "protocol/verdict_records.h"
#include "settings/ignore_marks.h"

namespace lintrove {

// One program sent in a check, as the record of the check lists it.
struct CheckedProgram {
  std::string name;
  std::string publisher;
  std::string installed_version;
  std::string status;  // unknown, unsupported, current or new-version
  std::string newest_version;
};

// What an administrator keeps of a check: which machine, when, with which client and service,
// and the verdict on every program sent.
struct CheckRecord {
  std::string machine;
  std::optional<std::string> wine_prefix;  // the prefix's directory when one was checked
  DateTime checked_at = 0;
  std::string client_version;
  std::string service;
  std::vector<CheckedProgram> programs;
};

// The record of a check that has just completed: the machine named from its registry, the time
// now, this client's version, the service's address and the programs of `records` that `marks`
// let through, which are those the check sent, by display name.
CheckRecord RecordOfCheck(platform::RegistryBackend& machine,
                          std::optional<std::string> wine_prefix, std::string service,
                          const VerdictList& records, const IgnoreMarks& marks);

// The status as the command line and the record name it.
std::string_view StatusWord(ProgramStatus status);
// The offered version with the highest numbers (the first of equal ones); empty when none.
std::string NewestOfferedVersion(const ProgramVerdict& verdict);
CheckedProgram ToCheckedProgram(const ProgramVerdict& verdict);

// The machine's own name (ComputerName under HKLM\SYSTEM\CurrentControlSet\Control\ComputerName)
// where its registry records one, else this computer's host name.
std::string MachineName(platform::RegistryBackend& registry);

// The record as CSV (RFC 4180: a header row, fields quoted where needed, CRLF line ends), one row
// per program with the check's facts repeated, so that every row stands on its own in a
// spreadsheet. UTF-8 with a byte order mark, by which spreadsheets know the encoding.
std::string FormatCheckRecordCsv(const CheckRecord& record);
// The record as one JSON object, the programs in an array.
std::string FormatCheckRecordJson(const CheckRecord& record);

// The time of the check in ISO 8601, in UTC ("2026-12-11T04:05:06Z").
std::string IsoUtcTime(DateTime local);

}  // namespace lintrove
