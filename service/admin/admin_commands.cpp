#include "admin/admin_commands.h"

#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "admin/service_options.h"
#include "catalog/catalog.h"
#include "catalog/catalog_json.h"
#include "catalog/network_origin.h"
#include "catalog/program_identity.h"
#include "catalog/service_request.h"

namespace lintrove::service {
namespace {

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw Error("Cannot read " + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& name, const std::string& text) {
  std::ofstream file(name, std::ios::binary | std::ios::trunc);
  if (!(file << text) || !file.flush()) throw Error("Cannot write " + name);
}

int Export(std::span<const std::string> args, CatalogStore& store, std::ostream& out) {
  if (args.size() != 1) throw UsageError("catalog export wants one FILE, or - for the output");
  const std::string json = CatalogToJson(store.Export());
  if (args[0] == "-") {
    out << json;
  } else {
    WriteFile(args[0], json);
  }
  return 0;
}

// Says which programs and versions applying the entries creates: one the catalog does not
// hold yet is as often a mistyped identity or version as a new one.
void TellCreations(CatalogStore& store, std::span<const CatalogEntry> entries, std::ostream& out) {
  std::set<std::string> programs;
  std::set<std::pair<std::string, std::string>> versions;
  for (const CatalogEntry& held : store.Export()) {
    programs.insert(held.program.identity);
    for (const CatalogVersion& version : held.versions) {
      versions.emplace(held.program.identity, version.name);
    }
  }
  for (const CatalogEntry& entry : entries) {
    const std::string& identity = entry.program.identity;
    if (programs.insert(identity).second) out << "new program " << identity << '\n';
    for (const CatalogVersion& version : entry.versions) {
      if (versions.emplace(identity, version.name).second) {
        out << "new version " << identity << ' ' << version.name << '\n';
      }
    }
  }
}

// Applies the entries, or with a dry run only says what they would create.
bool Apply(CatalogStore& store, std::span<const CatalogEntry> entries, bool dry_run,
           std::ostream& out) {
  TellCreations(store, entries, out);
  if (dry_run) {
    out << "dry run: nothing changed\n";
    return false;
  }
  store.Curate(entries);
  return true;
}

int Import(std::span<const std::string> args, CatalogStore& store, bool dry_run,
           std::ostream& out) {
  if (args.size() != 1) throw UsageError("catalog import wants one FILE");
  const std::vector<CatalogEntry> entries = CatalogFromJson(ReadFile(args[0]));
  if (Apply(store, entries, dry_run, out)) out << "imported " << entries.size() << " programs\n";
  return 0;
}

// The program becomes known, and the versions named are offered.
int Confirm(std::span<const std::string> args, CatalogStore& store, bool dry_run,
            std::ostream& out) {
  if (args.empty()) throw UsageError("catalog confirm wants an IDENTITY and versions");
  CatalogEntry entry;
  entry.program.identity = args[0];
  if (!IsCatalogIdentity(entry.program.identity)) {
    throw UsageError("'" + args[0] + "' is not an identity of the catalog (see catalog export)");
  }
  entry.program.added = true;
  for (const std::string& version : args.subspan(1)) {
    entry.versions.push_back({.name = version, .confirmed = true});
  }
  CheckTextLengths(entry);
  if (!Apply(store, std::span(&entry, 1), dry_run, out)) return 0;
  out << "confirmed " << entry.program.identity;
  for (const CatalogVersion& version : entry.versions) out << ' ' << version.name;
  out << '\n';
  return 0;
}

// The version is no longer offered, whatever the reports say.
int Retract(std::span<const std::string> args, CatalogStore& store, std::ostream& out) {
  if (args.size() != 2) throw UsageError("catalog retract wants an IDENTITY and a VERSION");
  if (!store.Retract(args[0], args[1])) {
    throw Error("the catalog holds no version '" + args[1] + "' of '" + args[0] +
                "' (see catalog export)");
  }
  out << "retracted " << args[0] << ' ' << args[1] << '\n';
  return 0;
}

int Prune(std::span<const std::string> args, CatalogStore& store, const ServiceOptions& options,
          std::ostream& out) {
  if (!args.empty()) throw UsageError("catalog prune takes no arguments");
  const PruneCounts pruned = store.Prune(options.prune_after_days, options.threshold);
  out << "pruned " << pruned.programs << " programs and " << pruned.versions
      << " versions that did not become known within " << options.prune_after_days << " days\n";
  return 0;
}

int Ban(std::span<const std::string> args, CatalogStore& store, std::ostream& out) {
  if (args.size() != 2 || (args[0] != "client" && args[0] != "origin")) {
    throw UsageError("ban wants 'client GUID' or 'origin ADDRESS|PREFIX'");
  }
  if (args[0] == "client") {
    if (!IsBracedGuid(args[1])) throw UsageError("'" + args[1] + "' is not a braced client GUID");
    store.BanClient(UpperAscii(args[1]));
    out << "banned client " << UpperAscii(args[1]) << '\n';
    return 0;
  }
  const std::optional<std::string> network = NetworkOf(args[1]);
  if (!network) throw UsageError("'" + args[1] + "' is no IPv4 or IPv6 address or prefix");
  const std::size_t slash = args[1].find('/');
  if (slash != std::string::npos && args[1].substr(slash) != network->substr(network->find('/'))) {
    throw UsageError("origins are kept by their /24 (IPv4) or /48 (IPv6) network, not by '" +
                     args[1].substr(slash) + "'");
  }
  const std::int64_t taken_back = store.BanOrigin(OriginKey(store.OriginSecret(), *network));
  out << "banned origin " << *network << ", took back " << taken_back << " reports\n";
  return 0;
}

// Step1 request documents, each applied as the report of its client, exactly as if it had
// been sent: the demo catalog is learnt this way.
int Learn(std::span<const std::string> args, CatalogStore& store, const ServiceOptions& options,
          std::ostream& out) {
  if (args.empty()) throw UsageError("catalog learn wants step1 REQUEST files");
  Catalog catalog(store, options.threshold, options.origin_daily_additions);
  std::size_t programs = 0;
  for (const std::string& file : args) {
    const ServiceRequest request = ReadRequest(ReadFile(file), RequestLimits{});
    if (request.command != "step1") throw Error(file + ": not a step1 request");
    if (!IsBracedGuid(request.client.guid)) throw Error(file + ": no client GUID");
    // Each file stands for a machine of a network of its own.
    catalog.Step1(request, "report of " + UpperAscii(request.client.guid));
    programs += request.programs.size();
  }
  out << "learned " << args.size() << " reports of " << programs << " programs\n";
  return 0;
}

// A client's comment on one line of the terminal: its line breaks and tabs become blanks, and
// characters that steer a terminal were made U+FFFD when it was stored, C1 controls aside.
std::string OneLine(std::string_view text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      line += "\uFFFD";
      ++i;
    } else {
      line += byte == '\n' || byte == '\r' || byte == '\t' ? ' ' : text[i];
    }
  }
  return line;
}

int ListReports(std::span<const std::string> args, CatalogStore& store, std::ostream& out) {
  if (!args.empty()) throw UsageError("reports list takes no arguments");
  const std::vector<FeedbackSummary> summaries = store.ListFeedback();
  for (const FeedbackSummary& summary : summaries) {
    out << summary.clients << (summary.clients == 1 ? " client" : " clients") << '\t'
        << OneLine(summary.identity) << '\t'
        << (summary.version.empty() ? "the match is wrong"
                                    : "version " + OneLine(summary.version) + " is wrong")
        << "\tlast " << summary.last_reported << '\n';
    for (const std::string& comment : summary.comments) out << "\t\"" << OneLine(comment) << "\"\n";
  }
  if (summaries.empty()) out << "no reports\n";
  return 0;
}

int Stats(std::span<const std::string> args, CatalogStore& store, std::int64_t threshold,
          std::ostream& out) {
  if (!args.empty()) throw UsageError("stats takes no arguments");
  const CatalogCounts counts = store.Counts(threshold);
  out << "programs: " << counts.programs << " (known: " << counts.known_programs << ")\n"
      << "versions: " << counts.versions << " (offered: " << counts.offered_versions << ")\n"
      << "clients: " << counts.clients << "\n"
      << "origins: " << counts.origins << "\n"
      << "reports: " << counts.reports << "\n"
      << "threshold: " << threshold << "\n";
  return 0;
}

}  // namespace

int RunAdminCommand(std::span<const std::string> command, CatalogStore& store,
                    const ServiceOptions& options, std::ostream& out) {
  const bool may_dry_run = command.size() >= 2 && command[0] == "catalog" &&
                           (command[1] == "import" || command[1] == "confirm");
  if (options.dry_run && !may_dry_run) {
    throw UsageError("--dry-run is for catalog import and catalog confirm");
  }
  if (command[0] == "stats") return Stats(command.subspan(1), store, options.threshold, out);
  if (command[0] == "catalog" && command.size() >= 2) {
    const std::string& action = command[1];
    const auto args = command.subspan(2);
    if (action == "export") return Export(args, store, out);
    if (action == "import") return Import(args, store, options.dry_run, out);
    if (action == "confirm") return Confirm(args, store, options.dry_run, out);
    if (action == "retract") return Retract(args, store, out);
    if (action == "learn") return Learn(args, store, options, out);
    if (action == "prune") return Prune(args, store, options, out);
  }
  if (command[0] == "ban") return Ban(command.subspan(1), store, out);
  if (command[0] == "reports" && command.size() >= 2 && command[1] == "list") {
    return ListReports(command.subspan(2), store, out);
  }
  throw UsageError("unknown command '" + command[0] +
                   (command.size() >= 2 ? " " + command[1] : "") + "'");
}

}  // namespace lintrove::service
