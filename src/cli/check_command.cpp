#include "check_command.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <tuple>
#include <vector>

#include "base/date_time.h"
#include "base/format.h"
#include "inventory/installed_programs.h"
#include "base/resource_strings.h"
#include "protocol/request_documents.h"
#include "protocol/transport.h"
#include "protocol/update_response.h"
#include "protocol/verdict_reader.h"
#include "protocol/version_compare.h"
#include "settings/client_settings.h"
#include "settings/ignore_marks.h"
#include "settings/system_settings.h"
#include "platform/client_version.h"

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

// The client settings as stored, read without the log-on entry, which is the desktop client's.
void LoadClientSettings(ClientSettings& settings) {
  platform::Registry registry(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                              settings.Backend());
  if (registry.OpenKeyReadOnly(SettingsKey)) {
    RegistryPersistentSettings::LoadProperties(settings, registry);
  }
}

void SaveClientSettings(const ClientSettings& settings) {
  platform::Registry registry(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                              settings.Backend());
  if (!registry.OpenKey(SettingsKey, true)) {
    throw Error(Format(LoadResString(ResString::RegistrySetDataFailed), SettingsKey));
  }
  RegistryPersistentSettings::SaveProperties(settings, registry);
  registry.CloseKey();
}

VerdictList Scan(const ClientSettings& settings, platform::RegistryBackend& registry,
                             platform::InstallerDatabase& installer) {
  ProgramList found(true);
  ScanOptions options;
  options.extendedInstallerInfo = settings.bol_extendedmsiinfo;
  FindInstalledPrograms(found, registry, installer, options);

  VerdictList records;
  for (std::unique_ptr<Program>& program : found.ReleaseAll()) {
    auto record = std::make_unique<ProgramVerdict>();
    record->program = std::move(program);
    records.Add(std::move(record));
  }
  return records;
}

void ReportNewerClient(const UpdateResponse& response, std::ostream& err) {
  if (VersionComparison::Compare(ClientVersion(), response.currentversion) >= 0) return;
  err << LoadResString(response.forceupdate ? ResString::ClientMustUpdate
                                            : ResString::ClientMayUpdate)
      << '\n'
      << Format(LoadResString(ResString::NewClientOffered), response.currentversion,
                response.downloadurl)
      << '\n';
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

// Tabs and line breaks inside a value would break the columns.
std::string Column(std::string text) {
  std::ranges::replace_if(
      text, [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return text;
}

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (char c : text) {
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
          json += Format("\\u%04x", static_cast<int>(c));
        } else {
          json += c;
        }
    }
  }
  return json + '"';
}

void PrintText(const std::vector<Line>& lines, std::ostream& out) {
  for (const Line& line : lines) {
    const ProgramVerdict& record = *line.record;
    out << StatusWord(line) << '\t' << Column(record.DisplayName()) << '\t'
        << Column(record.program->GetVersion()) << '\t' << Column(NewestVersion(record)) << '\n';
  }
}

void PrintJson(const std::vector<Line>& lines, std::ostream& out) {
  out << "[";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ProgramVerdict& record = *lines[i].record;
    out << (i == 0 ? "\n" : ",\n") << "  {\"name\": " << JsonString(record.DisplayName())
        << ", \"status\": " << JsonString(StatusWord(lines[i]))
        << ", \"installed_version\": " << JsonString(record.program->GetVersion())
        << ", \"newest_version\": " << JsonString(NewestVersion(record))
        << ", \"vendor\": " << JsonString(record.vendor)
        << ", \"homepage\": " << JsonString(record.Homepage()) << ", \"versions\": [";
    int index = 0;
    for (const auto& version : record.versions) {
      out << (index++ == 0 ? "" : ", ") << JsonString(version->str_versionsname);
    }
    out << "]}";
  }
  out << (lines.empty() ? "]\n" : "\n]\n");
}

int Check(const CheckOptions& options, CommandContext& context,
          platform::InstallerDatabase& installer) {
  ClientSettings client(context.registry);
  LoadClientSettings(client);
  SystemSettings system(context.registry);
  system.Load();

  VerdictList records = Scan(client, context.registry, installer);
  std::vector<const ProgramVerdict*> sorted;
  for (const auto& record : records) sorted.push_back(record.get());
  SortByDisplayName(sorted);

  // The positions in this list are the programs' IDs towards the service.
  const IgnoreMarks marks(context.registry);
  std::vector<Line> lines;
  ProgramList sent(false);
  for (const ProgramVerdict* record : sorted) {
    const bool ignored = marks.IsIgnored(record->program->GetIdentifier());
    lines.push_back({record, ignored});
    if (!ignored) sent.Add(*record->program);
  }

  ServiceTransport transport;
  transport.Url = ServiceAddress(options.ssl.value_or(client.bol_ssl),
                                 options.service_url.value_or(system.StrServiceUrl));
  EnsureServiceReachable(transport);

  const ClientFacts facts = CurrentClientFacts(client);
  UpdateResponse response;
  UpdateResponseReader::Parse(*transport.Send(BuildUpdatecheckRequest(facts)), response);
  ReportNewerClient(response, context.err);

  VerdictReader::ReadVerdicts(sent, *transport.Send(BuildStep1Request(sent, facts)), records);
  if (options.json) {
    PrintJson(lines, context.out);
  } else {
    PrintText(lines, context.out);
  }
  client.dat_lastcheck = Now();
  SaveClientSettings(client);
  return 0;
}

}  // namespace

int RunCheckCommand(std::span<const std::string> args, CommandContext& context,
                    platform::InstallerDatabase& installer) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "/?")) {
    context.out << kUsage;
    return 0;
  }
  try {
    return Check(ParseOptions(args), context, installer);
  } catch (const UsageError& error) {
    context.err << "ERROR: " << error.what() << "\n\n" << kUsage;
  } catch (const Error& error) {
    context.err << "ERROR: " << error.what() << '\n';
  }
  return 1;
}

}  // namespace lintrove::cli
