#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lintrove::service {

// What one client said of one program in a step1: the program by its identity (see
// program_identity.h), the names to show for it, and the version it has installed.
struct ReportedProgram {
  std::string identity;
  std::string name;
  std::string publisher;
  std::string version;  // empty when the client knows none
};

// A version of the catalog, as the verdicts need it.
struct CatalogVersion {
  std::int64_t id = 0;
  std::string name;
  std::int64_t clients = 0;  // distinct clients that reported it
  bool confirmed = false;    // by a maintainer
};

// What the catalog knows of one program.
struct CatalogProgram {
  std::int64_t id = 0;
  std::string identity;
  std::string name;
  std::string publisher;
  std::string homepage;      // set by maintainers only: clients' texts are not passed on
  std::int64_t clients = 0;  // distinct clients that reported it, in any version
  bool added = false;        // by a maintainer
};

// One program of a verdict lookup: its identity and the version installed there.
struct ProgramQuery {
  std::string identity;
  std::string installed_version;
};

// The facts a verdict is made of.
struct ProgramFacts {
  CatalogProgram program;
  std::int64_t installed_version_id = 0;  // 0 when the catalog has no such version
  // Reported by at least the lookup's number of clients, or confirmed; in catalog order.
  std::vector<CatalogVersion> offered;
};

// A program with all its versions, for export and import.
struct CatalogEntry {
  CatalogProgram program;
  std::vector<CatalogVersion> versions;
};

// What the feedback page shows of a program: the program, every version the catalog holds of
// it, and how many clients said that the match or a version is wrong.
struct ProgramDetails {
  CatalogEntry entry;
  std::int64_t wrong_match_reports = 0;
  std::map<std::int64_t, std::int64_t> wrong_version_reports;  // by version id
};

// A client's word through the feedback page: this program is not the one it has (the match
// is wrong), or this version of it is wrong (no such version, or a wrong name).
struct Feedback {
  std::string client_guid;
  std::int64_t program_id = 0;
  std::int64_t version_id = 0;  // 0: the match is wrong
  std::string comment;
};

// The reports of one kind on one program, for a maintainer.
struct FeedbackSummary {
  std::string identity;
  std::string name;
  std::string version;                // empty: the match is wrong
  std::int64_t clients = 0;           // distinct clients that said so
  std::string last_reported;          // UTC, ISO 8601
  std::vector<std::string> comments;  // the non-empty ones, newest first
};

struct CatalogCounts {
  std::int64_t programs = 0;
  std::int64_t known_programs = 0;  // reported by enough clients or added
  std::int64_t versions = 0;
  std::int64_t offered_versions = 0;  // reported by enough clients or confirmed
  std::int64_t clients = 0;
  std::int64_t reports = 0;  // (client, version) pairs
};

// The catalog's storage. Everything the service keeps goes through this interface, so that
// another database engine is one more implementation of it. Each call is one transaction.
class CatalogStore {
 public:
  virtual ~CatalogStore() = default;

  // Records that the client has these programs in these versions: each (client, program) and
  // each (client, version) counts once, however often it is reported.
  virtual void RecordReport(const std::string& client_guid,
                            std::span<const ReportedProgram> programs) = 0;

  // The facts of each queried program, in query order; none for a program the catalog does not
  // hold. Offered are the versions reported by at least `min_clients` clients or confirmed.
  virtual std::vector<std::optional<ProgramFacts>> Lookup(std::span<const ProgramQuery> queries,
                                                          std::int64_t min_clients) = 0;

  // A maintainer's word on programs: each entry's program and versions are created where
  // missing; non-empty names and home pages replace the stored ones; a program marked added
  // becomes known and a version marked confirmed is offered, whatever the reports say. Marks
  // are only ever set here, never taken back, and the entries' client counts are not read:
  // those come from reports alone. All entries in one transaction: all or nothing.
  virtual void Curate(std::span<const CatalogEntry> entries) = 0;

  // Every program with every version, ordered by identity and version id.
  virtual std::vector<CatalogEntry> Export() = 0;

  // The program whose Hash (IdentityHash of its identity) this is, with all its versions and
  // the feedback on it; none when the catalog holds no such program.
  virtual std::optional<ProgramDetails> FindProgram(std::string_view hash) = 0;

  // Records a client's feedback. A client counts once per program and version (or match);
  // saying it again replaces its comment. False, and nothing recorded, when the catalog holds
  // no such program or the version is not one of the program's.
  virtual bool RecordFeedback(const Feedback& feedback) = 0;

  // All feedback, the programs with the most clients first.
  virtual std::vector<FeedbackSummary> ListFeedback() = 0;

  // "Enough" is `min_clients` distinct clients.
  virtual CatalogCounts Counts(std::int64_t min_clients) = 0;

  // Asks the database a trivial question; raises lintrove::Error when it cannot answer. What a
  // health check needs to know: that this process can still reach its catalog.
  virtual void Ping() = 0;
};

}  // namespace lintrove::service
