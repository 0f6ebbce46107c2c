#include "admin_commands.h"

#include <fstream>
#include <sstream>

#include "catalog.h"
#include "catalog_json.h"
#include "program_identity.h"
#include "service_options.h"
#include "service_request.h"

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

int Import(std::span<const std::string> args, CatalogStore& store, std::ostream& out) {
  if (args.size() != 1) throw UsageError("catalog import wants one FILE");
  const std::vector<CatalogEntry> entries = CatalogFromJson(ReadFile(args[0]));
  store.Curate(entries);
  out << "imported " << entries.size() << " programs\n";
  return 0;
}

// The program becomes known, and the versions named are offered.
int Confirm(std::span<const std::string> args, CatalogStore& store, std::ostream& out) {
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
  store.Curate(std::span(&entry, 1));
  out << "confirmed " << entry.program.identity;
  for (const CatalogVersion& version : entry.versions) out << ' ' << version.name;
  out << '\n';
  return 0;
}

// Step1 request documents, each applied as the report of its client, exactly as if it had
// been sent: the demo catalog is learnt this way.
int Learn(std::span<const std::string> args, CatalogStore& store, std::int64_t threshold,
          std::ostream& out) {
  if (args.empty()) throw UsageError("catalog learn wants step1 REQUEST files");
  Catalog catalog(store, threshold);
  std::size_t programs = 0;
  for (const std::string& file : args) {
    const ServiceRequest request = ReadRequest(ReadFile(file), RequestLimits{});
    if (request.command != "step1") throw Error(file + ": not a step1 request");
    if (!IsBracedGuid(request.client.guid)) throw Error(file + ": no client GUID");
    catalog.Step1(request);
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
      << "reports: " << counts.reports << "\n"
      << "threshold: " << threshold << "\n";
  return 0;
}

}  // namespace

int RunAdminCommand(std::span<const std::string> command, CatalogStore& store,
                    std::int64_t threshold, std::ostream& out) {
  if (command[0] == "stats") return Stats(command.subspan(1), store, threshold, out);
  if (command[0] == "catalog" && command.size() >= 2) {
    const std::string& action = command[1];
    const auto args = command.subspan(2);
    if (action == "export") return Export(args, store, out);
    if (action == "import") return Import(args, store, out);
    if (action == "confirm") return Confirm(args, store, out);
    if (action == "learn") return Learn(args, store, threshold, out);
  }
  if (command[0] == "reports" && command.size() >= 2 && command[1] == "list") {
    return ListReports(command.subspan(2), store, out);
  }
  throw UsageError("unknown command '" + command[0] +
                   (command.size() >= 2 ? " " + command[1] : "") + "'");
}

}  // namespace lintrove::service
