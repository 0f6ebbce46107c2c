#include "check_command.h"

#include <optional>
#include <ostream>
#include <tuple>
#include <vector>

#include "base/format.h"
#include "base/resource_strings.h"
#include "command_runner.h"
#include "flows/scan_flow.h"
#include "flows/update_check_flow.h"
#include "json_output.h"
#include "settings/client_settings.h"
#include "settings/ignore_marks.h"
#include "settings/system_settings.h"
#include "text_columns.h"

namespace lintrove::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: lintrove-cli check [--service HOST/PATH] [--ssl | --no-ssl] [--json]\n"
    "\n"
    "Takes the inventory of this machine, sends every program that is not ignored to the\n"
    "update service and prints the service's verdicts, sorted by name: status, name, installed\n"
    "version and newest version offered, separated by tabs. The status is one of unknown,\n"
    "unsupported, current, new-version or ignored.\n"
    "\n"
    "  --service HOST/PATH  the service for this run instead of StrServiceUrl\n"
    "  --ssl, --no-ssl      https or http for this run instead of bol_ssl\n"
    "  --json               print the verdicts as a JSON array\n"
    "\n"
    "A completed check is stored as the time of the last check (dat_lastcheck).\n";

struct CheckOptions {
  std::optional<std::string> service_url;
  std::optional<bool> ssl;
  bool json = false;
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
    } else {
      throw UsageError("unknown argument '" + arg + "'");
    }
  }
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
  if (line.ignored) return "ignored";
  switch (line.record->status) {
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

// The offered version with the highest numbers; the first of equal ones.
std::string NewestVersion(const ProgramVerdict& record) {
  const OfferedVersion* newest = nullptr;
  auto key = [](const OfferedVersion& v) {
    return std::tie(v.int_version_1, v.int_version_2, v.int_version_3, v.int_version_4,
                    v.int_version_5);
  };
  for (const auto& version : record.versions) {
    if (newest == nullptr || key(*newest) < key(*version)) newest = version.get();
  }
  return newest ? newest->str_versionsname : std::string();
}

void PrintText(const std::vector<Line>& lines, std::ostream& out) {
  std::string text;
  for (const Line& line : lines) {
    const ProgramVerdict& record = *line.record;
    text += std::string(StatusWord(line)) + '\t' + Column(record.DisplayName()) + '\t' +
            Column(record.program->GetVersion()) + '\t' + Column(NewestVersion(record)) + '\n';
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
                {"newest_version", NewestVersion(record)},
                {"vendor", record.vendor},
                {"homepage", record.Homepage()},
                {"versions", std::move(versions)}});
  }
  writer.Finish();
}

int Check(const CheckOptions& options, CommandContext& context,
          platform::InstallerDatabase& installer) {
  ClientSettings client(context.registry);
  client.LoadValues();
  SystemSettings system(context.registry);
  system.Load();

  VerdictList records =
      ScanInventory(context.registry, installer, client.bol_extendedmsiinfo, nullptr);
  std::vector<const ProgramVerdict*> sorted;
  for (const auto& record : records) sorted.push_back(record.get());
  SortByDisplayName(sorted);
  const IgnoreMarks marks(context.registry);
  const ProgramRefList sent = ProgramsToSend(records, marks);

  ServiceTransport transport;
  transport.url = ServiceAddress(options.ssl.value_or(client.bol_ssl),
                                 options.service_url.value_or(system.StrServiceUrl));
  RunUpdateCheck(transport, client, sent, records, [&context](const UpdateResponse& response) {
    return ReportNewerClient(response, context.err);
  });

  std::vector<Line> lines;
  for (const ProgramVerdict* record : sorted) {
    lines.push_back({record, marks.IsIgnored(record->program->GetIdentifier())});
  }
  if (options.json) {
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
  return RunCommand(args, context, kUsage,
                    [&] { return Check(ParseOptions(args), context, installer); });
}

}  // namespace lintrove::cli
