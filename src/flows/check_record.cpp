#include "flows/check_record.h"

#include <chrono>
#include <cstdio>
#include <tuple>

#include "base/text.h"
#include "platform/client_version.h"
#include "platform/system_info.h"

namespace lintrove {
namespace {

constexpr std::string_view kComputerNameKey =
    "\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";

constexpr std::string_view kColumns[] = {
    "machine", "wine_prefix", "checked_at",        "client_version", "service",
    "name",    "publisher",   "installed_version", "status",         "newest_version"};

// Text from the inventory may hold bytes that are no UTF-8; both formats must stay valid UTF-8.
std::string ValidUtf8(std::string_view text) {
  return IsValidUtf8(text) ? std::string(text) : Utf16ToUtf8(Utf8ToUtf16(text));
}

// A spreadsheet takes a cell that starts with one of these as a formula; a program's name or
// publisher comes from whoever made its installer, so such a cell is made plain text.
bool LooksLikeFormula(std::string_view text) {
  return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

std::string CsvField(std::string_view raw) {
  std::string text = ValidUtf8(raw);
  if (LooksLikeFormula(text)) text.insert(0, "'");
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string JsonString(std::string_view raw) {
  std::string json = "\"";
  for (char c : ValidUtf8(raw)) {
    switch (c) {
      case '"':
        json += "\\\"";
        break;
      case '\\':
        json += "\\\\";
        break;
      case '\n':
        json += "\\n";
        break;
      case '\r':
        json += "\\r";
        break;
      case '\t':
        json += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          json += escaped;
        } else {
          json += c;
        }
    }
  }
  return json + '"';
}

}  // namespace

std::string_view StatusWord(ProgramStatus status) {
  switch (status) {
    case ProgramStatus::Unknown:
      break;
    case ProgramStatus::Unsupported:
      return "unsupported";
    case ProgramStatus::Current:
      return "current";
    case ProgramStatus::NewVersion:
      return "new-version";
  }
  return "unknown";
}

std::string NewestOfferedVersion(const ProgramVerdict& verdict) {
  const OfferedVersion* newest = nullptr;
  auto key = [](const OfferedVersion& v) {
    return std::tie(v.int_version_1, v.int_version_2, v.int_version_3, v.int_version_4,
                    v.int_version_5);
  };
  for (const auto& version : verdict.versions) {
    if (newest == nullptr || key(*newest) < key(*version)) newest = version.get();
  }
  return newest ? newest->str_versionsname : std::string();
}

CheckedProgram ToCheckedProgram(const ProgramVerdict& verdict) {
  return {verdict.DisplayName(), verdict.program->GetPublisher(), verdict.program->GetVersion(),
          std::string(StatusWord(verdict.status)), NewestOfferedVersion(verdict)};
}

std::string MachineName(platform::RegistryBackend& registry) {
  platform::Registry machine(platform::RootKey::LocalMachine, platform::RegistryView::Default,
                             registry);
  if (machine.OpenKeyReadOnly(kComputerNameKey)) {
    std::string name(Trim(machine.ReadString("ComputerName")));
    if (!name.empty()) return name;
  }
  return platform::HostName();
}

CheckRecord RecordOfCheck(platform::RegistryBackend& machine,
                          std::optional<std::string> wine_prefix, std::string service,
                          const VerdictList& records, const IgnoreMarks& marks) {
  CheckRecord record;
  record.machine = MachineName(machine);
  record.wine_prefix = std::move(wine_prefix);
  record.checked_at = Now();
  record.client_version = ClientVersion();
  record.service = std::move(service);
  std::vector<const ProgramVerdict*> sorted;
  for (const auto& verdict : records) sorted.push_back(verdict.get());
  SortByDisplayName(sorted);
  for (const ProgramVerdict* verdict : sorted) {
    if (!marks.IsIgnored(verdict->program->GetIdentifier())) {
      record.programs.push_back(ToCheckedProgram(*verdict));
    }
  }
  return record;
}

std::string IsoUtcTime(DateTime local) {
  using namespace std::chrono;
  const auto time = floor<seconds>(ToTimePoint(local));
  const auto day = floor<days>(time);
  const year_month_day date(day);
  const hh_mm_ss clock(time - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

std::string FormatCheckRecordCsv(const CheckRecord& record) {
  std::string csv = "\xEF\xBB\xBF";
  for (std::string_view column : kColumns) {
    csv += column;
    csv += column == kColumns[std::size(kColumns) - 1] ? "\r\n" : ",";
  }
  const std::string facts = CsvField(record.machine) + ',' +
                            CsvField(record.wine_prefix.value_or("")) + ',' +
                            CsvField(IsoUtcTime(record.checked_at)) + ',' +
                            CsvField(record.client_version) + ',' + CsvField(record.service);
  for (const CheckedProgram& program : record.programs) {
    csv += facts + ',' + CsvField(program.name) + ',' + CsvField(program.publisher) + ',' +
           CsvField(program.installed_version) + ',' + CsvField(program.status) + ',' +
           CsvField(program.newest_version) + "\r\n";
  }
  return csv;
}

std::string FormatCheckRecordJson(const CheckRecord& record) {
  std::string json =
      "{\n  \"machine\": {\"name\": " + JsonString(record.machine) +
      ", \"wine_prefix\": " + (record.wine_prefix ? JsonString(*record.wine_prefix) : "null") +
      "},\n";
  json += "  \"checked_at\": " + JsonString(IsoUtcTime(record.checked_at)) + ",\n";
  json += "  \"client_version\": " + JsonString(record.client_version) + ",\n";
  json += "  \"service\": " + JsonString(record.service) + ",\n";
  json += "  \"programs\": [";
  bool first = true;
  for (const CheckedProgram& program : record.programs) {
    json += first ? "\n    " : ",\n    ";
    first = false;
    json += "{\"name\": " + JsonString(program.name) +
            ", \"publisher\": " + JsonString(program.publisher) +
            ", \"installed_version\": " + JsonString(program.installed_version) +
            ", \"status\": " + JsonString(program.status) +
            ", \"newest_version\": " + JsonString(program.newest_version) + "}";
  }
  json += first ? "]\n}\n" : "\n  ]\n}\n";
  return json;
}

}  // namespace lintrove
