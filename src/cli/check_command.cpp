#include "check_command.h"

#include <optional>
#include <ostream>
#include <vector>

#include "base/format.h"
#include "base/resource_strings.h"
#include "command_runner.h"
#include "flows/check_record_file.h"
#include "flows/scan_flow.h"
#include "flows/update_check_flow.h"
#include "json_output.h"
#include "machine_option.h"
#include "platform/client_version.h"
#include "settings/client_settings.h"
#include "settings/ignore_marks.h"
#include "settings/system_settings.h"
#include "text_columns.h"

namespace lintrove::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: lintrove-cli check [--service HOST/PATH] [--ssl | --no-ssl] [--json]\n"
    "                          [--format csv|json] [--wine-prefix DIR]\n"
    "\n"
    "Takes the inventory of this machine, sends every program that is not ignored to the\n"
    "update service and prints the service's verdicts, sorted by name: status, name, installed\n"
    "version and newest version offered, separated by tabs. The status is one of unknown,\n"
    "unsupported, current, new-version or ignored.\n"
    "\n"
    "  --service HOST/PATH  the service for this run instead of StrServiceUrl\n"
    "  --ssl, --no-ssl      https or http for this run instead of bol_ssl\n"
    "  --json               print the verdicts as a JSON array\n"
    "  --format csv|json    print a record of the check instead: machine, Wine prefix, time\n"
    "                       (UTC), client version, service and, for every program sent, name,\n"
    "                       publisher, installed version, status and newest version offered;\n"
    "                       csv is RFC 4180 with a header row, UTF-8 with a byte order mark\n"
    "  --wine-prefix DIR    check the programs of the Wine prefix DIR instead; its files are\n"
    "                       only read, settings and ignore marks stay this user's own\n"
    "\n"
    "A completed check is stored as the time of the last check (dat_lastcheck).\n";

struct CheckOptions {
  std::optional<std::string> service_url;
  std::optional<bool> ssl;
  bool json = false;
  std::optional<CheckRecordFormat> record;
};

CheckOptions ParseOptions(std::span<const std::string> args) {
  CheckOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--service" && i + 1 < args.size()) {
      options.service_url = args[++i];
      RequireUtf8Text(*options.service_url);
    } else if (arg == "--ssl" || arg == "--no-ssl") {
      options.ssl = arg == "--ssl";
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--format" && i + 1 < args.size()) {
      const std::string& format = args[++i];
      if (format != "csv" && format != "json") {
        throw UsageError("unknown format '" + format + "': csv or json");
      }
      options.record = format == "csv" ? CheckRecordFormat::Csv : CheckRecordFormat::Json;
    } else {
      throw UsageError("unknown argument '" + arg + "'");
    }
  }
  if (options.json && options.record) throw UsageError("--json and --format exclude each other");
  return options;
}

// Told only of a client newer than this one; the check goes on.
SelfUpdateChoice ReportNewerClient(const UpdateResponse& response, std::ostream& err) {
  err << LoadResString(response.forceupdate ? ResString::ClientMustUpdate
                                            : ResString::ClientMayUpdate)
      << '\n'
      << Format(LoadResString(ResString::NewClientOffered), response.currentversion,
                response.downloadurl)
      << '\n';
  return SelfUpdateChoice::GoOn;
}

struct Line {
  const ProgramVerdict* record;
  bool ignored;
};

std::string_view StatusWord(const Line& line) {
  return line.ignored ? "ignored" : StatusWord(line.record->status);
}

void PrintText(const std::vector<Line>& lines, std::ostream& out) {
  std::string text;
  for (const Line& line : lines) {
    const ProgramVerdict& record = *line.record;
    text += std::string(StatusWord(line)) + '\t' + Column(record.DisplayName()) + '\t' +
            Column(record.program->GetVersion()) + '\t' + Column(NewestOfferedVersion(record)) +
            '\n';
  }
  out << text;
}

void PrintJson(const std::vector<Line>& lines, std::ostream& out) {
  JsonArrayWriter writer(out);
  for (const Line& line : lines) {
    const ProgramVerdict& record = *line.record;
    nlohmann::ordered_json versions = nlohmann::ordered_json::array();
    for (const auto& version : record.versions) versions.push_back(version->str_versionsname);
    writer.Add({{"name", record.DisplayName()},
                {"status", StatusWord(line)},
                {"installed_version", record.program->GetVersion()},
                {"newest_version", NewestOfferedVersion(record)},
                {"vendor", record.vendor},
                {"homepage", record.Homepage()},
                {"versions", std::move(versions)}});
  }
  writer.Finish();
}

int Check(const CheckOptions& options, CommandContext& context, const InventoriedMachine& machine) {
  ClientSettings client(context.registry);
  client.LoadValues();
  SystemSettings system(context.registry);
  system.Load();

  VerdictList records =
      ScanInventory(machine.Registry(), machine.Installer(), client.bol_extendedmsiinfo, nullptr);
  std::vector<const ProgramVerdict*> sorted;
  for (const auto& record : records) sorted.push_back(record.get());
  SortByDisplayName(sorted);
  const IgnoreMarks marks(context.registry);
  const ProgramRefList sent = ProgramsToSend(records, marks);

  ServiceTransport transport;
  transport.url = ServiceAddress(options.ssl.value_or(client.bol_ssl),
                                 options.service_url.value_or(system.StrServiceUrl));
  RunUpdateCheck(
      transport, client, sent, records,
      [&context](const UpdateResponse& response) {
        return ReportNewerClient(response, context.err);
      },
      &machine.Registry());

  std::vector<Line> lines;
  for (const ProgramVerdict* record : sorted) {
    lines.push_back({record, marks.IsIgnored(record->program->GetIdentifier())});
  }
  if (options.record) {
    const std::optional<std::filesystem::path> prefix = machine.WinePrefix();
    context.out << FormatCheckRecord(
        RecordOfCheck(machine.Registry(), prefix ? std::optional(prefix->string()) : std::nullopt,
                      transport.url, records, marks),
        *options.record);
  } else if (options.json) {
    PrintJson(lines, context.out);
  } else {
    PrintText(lines, context.out);
  }
  client.SaveValues();
  return 0;
}

}  // namespace

int RunCheckCommand(std::span<const std::string> args, CommandContext& context,
                    platform::InstallerDatabase& installer) {
  return RunCommand(args, context, kUsage, [&] {
    std::vector<std::string> rest(args.begin(), args.end());
    const InventoriedMachine machine(rest, context, installer);
    return Check(ParseOptions(rest), context, machine);
  });
}

}  // namespace lintrove::cli
