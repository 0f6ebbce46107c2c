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

// Who made a report: the client by its GUID, and the network it came from by its OriginKey.
struct Reporter {
  std::string client_guid;
  std::string origin;
};

// A version of the catalog, as the verdicts need it.
struct CatalogVersion {
  std::int64_t id = 0;
  std::string name;
  std::int64_t clients = 0;  // distinct origins (networks) that reported it
  bool confirmed = false;    // by a maintainer
  bool retracted = false;    // by a maintainer: never offered
};

// What the catalog knows of one program.
struct CatalogProgram {
  std::int64_t id = 0;
  std::string identity;
  std::string name;
  std::string publisher;
  std::string homepage;      // set by maintainers only: clients' texts are not passed on
  std::int64_t clients = 0;  // distinct origins (networks) that reported it, in any version
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
  // Reported from at least the lookup's number of origins, or confirmed, and not retracted; in
  // catalog order.
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
  std::int64_t known_programs = 0;  // reported from enough origins or added
  std::int64_t versions = 0;
  std::int64_t offered_versions = 0;  // reported from enough origins or confirmed, not retracted
  std::int64_t clients = 0;
  std::int64_t origins = 0;
  std::int64_t reports = 0;  // (origin, version) pairs
};

// What pruning removed.
struct PruneCounts {
  std::int64_t programs = 0;
  std::int64_t versions = 0;
};

// The catalog's storage. Everything the service keeps goes through this interface, so that
// another database engine is one more implementation of it. Each call is one transaction.
class CatalogStore {
 public:
  virtual ~CatalogStore() = default;

  // Records that the reporter has these programs in these versions: each (origin, program) and
  // each (origin, version) counts once, however often and by however many clients of that
  // origin it is reported. A program's name and publisher become those most origins sent,
  // unless a maintainer named it. An origin adds at most `daily_additions` programs and
  // versions to the catalog per UTC day; what it reports beyond them is not recorded. Nothing
  // of a banned client or origin is recorded.
  virtual void RecordReport(const Reporter& reporter, std::span<const ReportedProgram> programs,
                            std::int64_t daily_additions) = 0;

  // The facts of each queried program, in query order; none for a program the catalog does not
  // hold. Offered are the versions reported by at least `min_clients` clients or confirmed.
  virtual std::vector<std::optional<ProgramFacts>> Lookup(std::span<const ProgramQuery> queries,
                                                          std::int64_t min_clients) = 0;

  // RecordReport, then Lookup, which sees the report recorded: a client's check. A store may
  // answer a report that holds nothing new in fewer trips to its database than the two take.
  virtual std::vector<std::optional<ProgramFacts>> RecordAndLookup(
      const Reporter& reporter, std::span<const ReportedProgram> programs,
      std::int64_t daily_additions, std::span<const ProgramQuery> queries,
      std::int64_t min_clients) {
    RecordReport(reporter, programs, daily_additions);
    return Lookup(queries, min_clients);
  }

  // A maintainer's word on programs: each entry's program and versions are created where
  // missing; non-empty names and home pages replace the stored ones (and stand against the
  // names reports give); a program marked added
  // becomes known and a version marked confirmed is offered, whatever the reports say, unless
  // it is or is marked retracted (see Retract). Marks
  // are only ever set here, never taken back, and the entries' client counts are not read:
  // those come from reports alone. All entries in one transaction: all or nothing.
  virtual void Curate(std::span<const CatalogEntry> entries) = 0;

  // The version is never offered again, whatever the reports say, and loses a maintainer's
  // confirmation. False when the catalog holds no such version.
  virtual bool Retract(std::string_view identity, std::string_view version) = 0;

  // Nothing more of this client is recorded: neither reports nor feedback; its feedback so far
  // is removed.
  virtual void BanClient(const std::string& client_guid) = 0;

  // Nothing more of this origin (an OriginKey) is recorded, and what it reported is taken back:
  // counts and names become what the other origins made them. How many of its reports of
  // programs and versions were taken back.
  virtual std::int64_t BanOrigin(const std::string& origin) = 0;

  // Removes the programs and versions first reported at least `age_days` days ago (UTC) that
  // never became known or offered: reported from fewer than `min_clients` origins, not added
  // or confirmed by a maintainer. With them go their reports and feedback.
  virtual PruneCounts Prune(std::int64_t age_days, std::int64_t min_clients) = 0;

  // The secret under which this catalog keeps origins (see OriginKey), made with the catalog.
  virtual std::string OriginSecret() = 0;

  // Every program with every version, ordered by identity and version id.
  virtual std::vector<CatalogEntry> Export() = 0;

  // The program whose Hash (IdentityHash of its identity) this is, with all its versions and
  // the feedback on it; none when the catalog holds no such program.
  virtual std::optional<ProgramDetails> FindProgram(std::string_view hash) = 0;

  // Records a client's feedback. A client counts once per program and version (or match);
  // saying it again replaces its comment. False, and nothing recorded, when the catalog holds
  // no such program or the version is not one of the program's. Feedback of a banned client is
  // dropped without a word, as if recorded.
  virtual bool RecordFeedback(const Feedback& feedback) = 0;

  // All feedback, the programs with the most clients first.
  virtual std::vector<FeedbackSummary> ListFeedback() = 0;

  // "Enough" is `min_clients` distinct origins.
  virtual CatalogCounts Counts(std::int64_t min_clients) = 0;

  // Asks the database a trivial question; raises lintrove::Error when it cannot answer. What a
  // health check needs to know: that this process can still reach its catalog.
  virtual void Ping() = 0;

  // Whether a write goes through now: a small write that changes nothing of the catalog. False
  // when the disk is full, the file read-only or the database refuses writes.
  virtual bool Writable() = 0;
};

}  // namespace lintrove::service
