#include "storage/postgres_catalog_store.h"

#include <algorithm>
#include <string_view>
#include <tuple>
#include <utility>

#include "catalog/program_identity.h"
#include "storage/postgres_connection.h"

namespace lintrove::service {
namespace {

// The programs' hashes are made here, not in SQL: the database has no such function.
void StoreHashes(SqlConnection& db) {
  std::vector<std::pair<std::int64_t, std::string>> programs;
  SqlStatement& identities = db.Prepare("SELECT id, identity FROM programs");
  for (identities.Bind(); identities.Step();) {
    programs.emplace_back(identities.Integer(0), identities.Text(1));
  }
  SqlStatement& store_hash = db.Prepare("UPDATE programs SET hash = ? WHERE id = ?");
  for (const auto& [id, identity] : programs) store_hash.Bind(IdentityHash(identity), id).Run();
}

// Each entry brings the schema from the version before it to its own (its position + 1), as
// the SQLite catalog's do. Never change a released entry: add one. Texts compare and sort by
// their bytes ("C"), as in SQLite, whatever the database's locale.
const SqlCatalogStore::Migration kMigrations[] = {
    {
        R"sql(
CREATE TABLE clients (
  id BIGSERIAL PRIMARY KEY,
  guid TEXT COLLATE "C" NOT NULL UNIQUE
);
CREATE TABLE programs (
  id BIGSERIAL PRIMARY KEY,
  identity TEXT COLLATE "C" NOT NULL UNIQUE,
  name TEXT NOT NULL DEFAULT '',
  publisher TEXT NOT NULL DEFAULT '',
  homepage TEXT NOT NULL DEFAULT '',
  clients BIGINT NOT NULL DEFAULT 0,
  added BOOLEAN NOT NULL DEFAULT false
);
CREATE TABLE versions (
  id BIGSERIAL PRIMARY KEY,
  program_id BIGINT NOT NULL REFERENCES programs (id),
  name TEXT COLLATE "C" NOT NULL,
  clients BIGINT NOT NULL DEFAULT 0,
  confirmed BOOLEAN NOT NULL DEFAULT false,
  UNIQUE (program_id, name)
);
CREATE TABLE program_reports (
  client_id BIGINT NOT NULL REFERENCES clients (id),
  program_id BIGINT NOT NULL REFERENCES programs (id),
  PRIMARY KEY (client_id, program_id)
);
CREATE TABLE version_reports (
  client_id BIGINT NOT NULL REFERENCES clients (id),
  version_id BIGINT NOT NULL REFERENCES versions (id),
  PRIMARY KEY (client_id, version_id)
);
)sql",
    },
    // The feedback page finds a program by the Hash its verdicts carried, and keeps what
    // clients say through it.
    {R"sql(
ALTER TABLE programs ADD COLUMN hash TEXT COLLATE "C" NOT NULL DEFAULT '';
CREATE INDEX programs_by_hash ON programs (hash);
CREATE INDEX versions_by_program ON versions (program_id);
CREATE TABLE feedback (
  client_id BIGINT NOT NULL REFERENCES clients (id),
  program_id BIGINT NOT NULL REFERENCES programs (id),
  version_id BIGINT NOT NULL,  -- 0: the match is wrong
  comment TEXT NOT NULL DEFAULT '',
  reported TEXT NOT NULL,
  PRIMARY KEY (client_id, program_id, version_id)
);
)sql",
     StoreHashes},
    // Learning counts networks (origins), not client GUIDs, which anyone can make up; a
    // program's names are those most origins sent. Maintainers can retract versions and ban
    // clients and origins; programs and versions that never became known are pruned by age.
    // Identities and version names of any length fit the unique keys, which are on their
    // hashes: a B-tree entry holds some 2,700 bytes at most.
    {
        R"sql(
CREATE TABLE settings (
  name TEXT COLLATE "C" PRIMARY KEY,
  value TEXT NOT NULL
);
CREATE TABLE origins (
  id BIGSERIAL PRIMARY KEY,
  key TEXT COLLATE "C" NOT NULL UNIQUE,
  banned BOOLEAN NOT NULL DEFAULT false,
  quota_day TEXT NOT NULL DEFAULT '',
  quota_used BIGINT NOT NULL DEFAULT 0
);
ALTER TABLE clients ADD COLUMN banned BOOLEAN NOT NULL DEFAULT false;
ALTER TABLE programs ADD COLUMN named BOOLEAN NOT NULL DEFAULT false;
ALTER TABLE programs ADD COLUMN first_seen TEXT NOT NULL
  DEFAULT to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD');
ALTER TABLE versions ADD COLUMN first_seen TEXT NOT NULL
  DEFAULT to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD');
ALTER TABLE versions ADD COLUMN retracted BOOLEAN NOT NULL DEFAULT false;
CREATE TABLE program_origins (
  origin_id BIGINT NOT NULL REFERENCES origins (id),
  program_id BIGINT NOT NULL REFERENCES programs (id),
  name TEXT NOT NULL,
  publisher TEXT NOT NULL,
  PRIMARY KEY (origin_id, program_id)
);
CREATE INDEX program_origins_by_program ON program_origins (program_id);
CREATE TABLE version_origins (
  origin_id BIGINT NOT NULL REFERENCES origins (id),
  version_id BIGINT NOT NULL REFERENCES versions (id),
  PRIMARY KEY (origin_id, version_id)
);
CREATE INDEX version_origins_by_version ON version_origins (version_id);
-- What was learnt from clients before origins were kept stays learnt: each of those clients
-- stands for an origin of its own.
INSERT INTO origins (key) SELECT 'client ' || guid FROM clients;
INSERT INTO program_origins (origin_id, program_id, name, publisher)
  SELECT o.id, r.program_id, p.name, p.publisher FROM program_reports r
  JOIN clients c ON c.id = r.client_id JOIN origins o ON o.key = 'client ' || c.guid
  JOIN programs p ON p.id = r.program_id;
INSERT INTO version_origins (origin_id, version_id)
  SELECT o.id, r.version_id FROM version_reports r
  JOIN clients c ON c.id = r.client_id JOIN origins o ON o.key = 'client ' || c.guid;
DROP TABLE program_reports;
DROP TABLE version_reports;
ALTER TABLE programs DROP CONSTRAINT programs_identity_key;
CREATE UNIQUE INDEX programs_by_identity ON programs (md5(identity));
ALTER TABLE versions DROP CONSTRAINT versions_program_id_name_key;
CREATE UNIQUE INDEX versions_by_name ON versions (program_id, md5(name));
CREATE TABLE write_probe (
  id INTEGER PRIMARY KEY,
  written BIGINT NOT NULL
);
INSERT INTO write_probe (id, written) VALUES (1, 0);
)sql",
    },
};
static_assert(std::size(kMigrations) == std::size_t{SqlCatalogStore::kSchemaVersion});

// Identities and version names are found through the hashes their unique keys are on.
std::string KeyEquals(std::string_view column, std::string_view parameter) {
  const std::string c(column);
  const std::string p(parameter);
  return "md5(" + c + ") = md5(" + p + ") AND " + c + " = " + p;
}

// Any number that no other user of the database takes as its lock.
constexpr std::int64_t kMigrationLock = 0x4c696e74726f7665;  // "Lintrove"

// A text[] literal of these texts, every element quoted.
template <typename Texts, typename Text>
std::string ArrayLiteral(const Texts& items, Text text) {
  std::string literal = "{";
  for (const auto& item : items) {
    if (literal.size() > 1) literal += ',';
    literal += '"';
    for (const char c : text(item)) {
      if (c == '"' || c == '\\') literal += '\\';
      literal += c;
    }
    literal += '"';
  }
  return literal + "}";
}

// The names most origins sent become the programs' (?1, a bigint[] literal), unless a
// maintainer named them; of names sent by as many origins, those of the earliest.
constexpr const char* kNamesByMajority =
    "UPDATE programs p SET (name, publisher) = (SELECT name, publisher FROM program_origins o "
    "WHERE o.program_id = p.id GROUP BY name, publisher ORDER BY count(*) DESC, "
    "min(origin_id) LIMIT 1) WHERE p.id = ANY(?1::bigint[]) AND NOT p.named";

// A bigint[] literal of these ids.
std::string IdArray(std::span<const std::int64_t> ids) {
  std::string literal = "{";
  for (const std::int64_t id : ids) {
    if (literal.size() > 1) literal += ',';
    literal += std::to_string(id);
  }
  return literal + "}";
}

// Conditions that find the origin's report of a program (`program_id`) when `version` is
// empty, or of a version (`version_id`) when not, each through its key.
std::string ReportJoins(const std::string& origin_id, const std::string& version,
                        const std::string& program_id, const std::string& version_id) {
  return "LEFT JOIN LATERAL (SELECT 1 AS found FROM program_origins r WHERE " + version +
         " = '' AND r.origin_id = " + origin_id + " AND r.program_id = " + program_id +
         " LIMIT 1) program_report ON true "
         "LEFT JOIN LATERAL (SELECT 1 AS found FROM version_origins r WHERE " +
         version + " <> '' AND r.origin_id = " + origin_id + " AND r.version_id = " + version_id +
         " LIMIT 1) version_report ON true "
         "WHERE program_report.found IS NULL AND version_report.found IS NULL";
}

// The positions of the reports of programs (identities and versions, two text[] of the same
// length) that the origin has not made yet in their versions. Each row and report is searched
// for through its key, one program at a time (a LATERAL join with a LIMIT is never turned into
// a scan of a whole table): otherwise the planner hashed every report of the origin, and an
// origin behind which many clients stand has reported thousands, or computed the hash of every
// identity in the catalog.
std::string UnrecordedPositions(const std::string& origin_id, const std::string& identities,
                                const std::string& versions) {
  return "SELECT q.position FROM unnest(" + identities + ", " + versions +
         ") WITH ORDINALITY AS q (identity, version, position) "
         "LEFT JOIN LATERAL (SELECT id FROM programs WHERE " +
         KeyEquals("identity", "q.identity") +
         " LIMIT 1) p ON true "
         "LEFT JOIN LATERAL (SELECT id FROM versions WHERE program_id = p.id AND " +
         KeyEquals("name", "q.version") + " LIMIT 1) v ON true " +
         ReportJoins(origin_id, "q.version", "p.id", "v.id");
}

// What a row of the facts of programs is (its first column).
enum RowKind : std::int64_t { kUnsettled = 0, kUnrecorded = 1, kProgram = 2, kVersion = 3 };
// The columns of such rows: the kind, the program's position among those asked for, the
// program's columns and the version's, and whether the version is offered.
constexpr int kPositionColumn = 1;
constexpr int kFirstProgramColumn = 2;
constexpr int kFirstVersionColumn = 9;
constexpr int kOfferedColumn = 14;
constexpr const char* kNoProgram = "NULL, NULL, NULL, NULL, NULL, NULL, NULL";
constexpr const char* kNoVersion = "NULL, NULL, NULL, NULL, NULL, NULL";

// Two named subqueries of the programs asked for (identities and installed versions, two
// text[]): `held`, those the catalog holds (each found through its key), and `held_versions`,
// their versions offered (reported by `min_clients` origins or confirmed) or installed.
std::string HeldPrograms(const std::string& min_clients, const std::string& identities,
                         const std::string& installed) {
  const std::string offered = "(v.clients >= " + min_clients + " OR v.confirmed)";
  return "held AS (SELECT q.position, q.installed, p.* FROM unnest(" + identities + ", " +
         installed +
         ") WITH ORDINALITY AS q (identity, installed, position) "
         "CROSS JOIN LATERAL (SELECT id, identity, name, publisher, homepage, clients, added "
         "FROM programs WHERE " +
         KeyEquals("identity", "q.identity") +
         " LIMIT 1) p), "
         "held_versions AS (SELECT h.position, v.id, v.name, v.clients, v.confirmed, "
         "v.retracted, " +
         offered +
         " AND NOT v.retracted AS offered FROM held h JOIN versions v ON v.program_id = h.id "
         "AND (" +
         offered + " OR v.name = h.installed))";
}

// The rows of the facts in `held` and `held_versions`, when `condition` holds: one for each
// program, one for each version, in no order.
std::string FactRows(const std::string& condition) {
  return "SELECT " + std::to_string(kProgram) +
         " AS kind, position, id, identity, name, publisher, homepage, clients, added, "
         "NULL::bigint, NULL::text, NULL::bigint, NULL::boolean, NULL::boolean, NULL::boolean "
         "FROM held WHERE " +
         condition + " UNION ALL SELECT " + std::to_string(kVersion) + ", position, " + kNoProgram +
         ", id, name, clients, confirmed, retracted, offered FROM held_versions WHERE " + condition;
}

// A client's check in one statement (?1 GUID, ?2 origin key, ?3 and ?4 the reported
// identities and versions, ?5 the clients that make a version offered, ?6 and ?7 the queried
// identities and installed versions). When the report needs no write (nothing of it is new, or
// the reporter is banned), the facts of the queried programs; otherwise a row of kind
// kUnsettled and the positions of the reports not recorded yet. A client reports what it asks
// about, so the reports' programs and versions are taken from those the lookup finds: a report
// of something not asked about is taken for news, and the write that follows finds out.
const std::string& CheckStatement() {
  static const std::string sql =
      std::string("WITH reporter AS (") + SqlCatalogStore::kFindReporter + "), " +
      HeldPrograms("?5::bigint", "?6::text[]", "?7::text[]") +
      ", asked AS (SELECT DISTINCT ON (h.identity, h.installed) h.identity, h.installed, "
      "h.id AS program_id, v.id AS version_id FROM held h LEFT JOIN held_versions v "
      "ON v.position = h.position AND v.name = h.installed), "
      "unrecorded AS (SELECT q.position FROM unnest(?3::text[], ?4::text[]) WITH ORDINALITY "
      "AS q (identity, version, position) LEFT JOIN asked a ON a.identity = q.identity "
      "AND a.installed = q.version " +
      ReportJoins("(SELECT origin_id FROM reporter)", "q.version", "a.program_id", "a.version_id") +
      "), settled AS (SELECT banned OR (client_id <> 0 AND NOT EXISTS "
      "(SELECT 1 FROM unrecorded)) AS settled FROM reporter) " +
      FactRows("(SELECT settled FROM settled)") + " UNION ALL SELECT " +
      std::to_string(kUnsettled) + ", NULL, " + kNoProgram + ", " + kNoVersion +
      " FROM settled WHERE NOT settled UNION ALL SELECT " + std::to_string(kUnrecorded) +
      ", position, " + kNoProgram + ", " + kNoVersion +
      " FROM unrecorded WHERE NOT (SELECT settled FROM settled)";
  return sql;
}

}  // namespace

PostgresCatalogStore::PostgresCatalogStore(const std::string& uri)
    : SqlCatalogStore({.open = [uri] { return std::make_unique<PostgresConnection>(uri); },
                       .key_equals = KeyEquals,
                       .report_check_without_transaction = true}) {
  Migrate(kMigrations);
}

void PostgresCatalogStore::LockSchema(SqlConnection& db) {
  // Processes started together would otherwise each create the tables.
  db.Prepare("SELECT pg_advisory_xact_lock(?)").Bind(kMigrationLock).Run();
}

std::vector<const ReportedProgram*> PostgresCatalogStore::Unrecorded(
    SqlConnection& db, std::int64_t origin_id, std::span<const ReportedProgram> programs) {
  std::vector<const ReportedProgram*> unrecorded;
  // One statement for all programs.
  static const std::string sql =
      UnrecordedPositions("?1::bigint", "?2::text[]", "?3::text[]") + " ORDER BY q.position";
  SqlStatement& missing = db.Prepare(sql);
  missing.Bind(origin_id, ArrayLiteral(programs, [](const auto& p) { return p.identity; }),
               ArrayLiteral(programs, [](const auto& p) { return p.version; }));
  while (missing.Step()) {
    unrecorded.push_back(&programs[static_cast<std::size_t>(missing.Integer(0) - 1)]);
  }
  return unrecorded;
}

std::vector<const ReportedProgram*> PostgresCatalogStore::RecordReportsOfHeldRows(
    SqlConnection& db, std::int64_t origin_id, std::vector<const ReportedProgram*> programs) {
  // Counted only where the report's row went in: one already there, or one another process is
  // recording at this moment, inserts nothing. The statement's answer: the programs counted
  // (position 0), then the positions of the reports left.
  SqlStatement& rows = db.Prepare(
      "WITH q AS (SELECT * FROM unnest(?2::text[], ?3::text[], ?4::text[], ?5::text[]) "
      "  WITH ORDINALITY AS q (identity, version, name, publisher, position)), "
      "found AS (SELECT q.position, q.version, q.name, q.publisher, p.id AS program_id, "
      "  v.id AS version_id FROM q "
      "  JOIN programs p ON md5(p.identity) = md5(q.identity) AND p.identity = q.identity "
      "  LEFT JOIN versions v ON v.program_id = p.id AND md5(v.name) = md5(q.version) "
      "  AND v.name = q.version), "
      "program_reports AS (INSERT INTO program_origins (origin_id, program_id, name, publisher) "
      "  SELECT DISTINCT ON (program_id) ?1::bigint, program_id, name, publisher FROM found "
      "  ORDER BY program_id, position ON CONFLICT DO NOTHING RETURNING program_id), "
      "program_counts AS (UPDATE programs SET clients = clients + 1 "
      "  WHERE id IN (SELECT program_id FROM program_reports) RETURNING id), "
      "version_reports AS (INSERT INTO version_origins (origin_id, version_id) "
      "  SELECT DISTINCT ?1::bigint, version_id FROM found WHERE version_id IS NOT NULL "
      "  ON CONFLICT DO NOTHING RETURNING version_id), "
      "version_counts AS (UPDATE versions SET clients = clients + 1 "
      "  WHERE id IN (SELECT version_id FROM version_reports)) "
      "SELECT id, 0 FROM program_counts UNION ALL "
      "SELECT 0, position FROM q WHERE position NOT IN "
      "  (SELECT position FROM found WHERE version = '' OR version_id IS NOT NULL)");
  rows.Bind(origin_id, ArrayLiteral(programs, [](const auto* p) { return p->identity; }),
            ArrayLiteral(programs, [](const auto* p) { return p->version; }),
            ArrayLiteral(programs, [](const auto* p) { return p->name; }),
            ArrayLiteral(programs, [](const auto* p) { return p->publisher; }));
  std::vector<std::int64_t> counted;
  std::vector<const ReportedProgram*> left;
  while (rows.Step()) {
    if (const std::int64_t program_id = rows.Integer(0); program_id != 0) {
      counted.push_back(program_id);
    } else {
      left.push_back(programs[static_cast<std::size_t>(rows.Integer(1) - 1)]);
    }
  }
  if (!counted.empty()) db.Prepare(kNamesByMajority).Bind(IdArray(counted)).Run();
  return left;
}

PostgresCatalogStore::FactReader::FactReader(std::span<const ProgramQuery> queries)
    : queries_(queries), facts_(queries.size()) {}

void PostgresCatalogStore::FactReader::Read(const SqlStatement& row) {
  const auto index = static_cast<std::size_t>(row.Integer(kPositionColumn) - 1);
  if (row.Integer(0) == kProgram) {
    facts_[index].emplace().program = ReadProgram(row, kFirstProgramColumn);
  } else {
    versions_.push_back(
        {index, ReadVersion(row, kFirstVersionColumn), row.Boolean(kOfferedColumn)});
  }
}

std::vector<std::optional<ProgramFacts>> PostgresCatalogStore::FactReader::Facts() {
  // In catalog order: sorting here is cheaper than on the server.
  std::ranges::sort(versions_, [](const Version& a, const Version& b) {
    return std::tie(a.index, a.version.id) < std::tie(b.index, b.version.id);
  });
  for (Version& found : versions_) {
    ProgramFacts& facts = *facts_[found.index];
    if (found.version.name == queries_[found.index].installed_version) {
      facts.installed_version_id = found.version.id;
    }
    if (found.offered) facts.offered.push_back(std::move(found.version));
  }
  return std::move(facts_);
}

std::vector<std::optional<ProgramFacts>> PostgresCatalogStore::Lookup(
    std::span<const ProgramQuery> queries, std::int64_t min_clients) {
  // One statement, which sees one state of the catalog without a transaction.
  return Transact(std::nullopt, [&](SqlConnection& db) {
    static const std::string sql =
        "WITH " + HeldPrograms("?1::bigint", "?2::text[]", "?3::text[]") + " " + FactRows("true");
    SqlStatement& rows = db.Prepare(sql);
    rows.Bind(min_clients, ArrayLiteral(queries, [](const auto& q) { return q.identity; }),
              ArrayLiteral(queries, [](const auto& q) { return q.installed_version; }));
    FactReader facts(queries);
    while (rows.Step()) facts.Read(rows);
    return facts.Facts();
  });
}

std::vector<std::optional<ProgramFacts>> PostgresCatalogStore::RecordAndLookup(
    const Reporter& reporter, std::span<const ReportedProgram> programs,
    std::int64_t daily_additions, std::span<const ProgramQuery> queries, std::int64_t min_clients) {
  // Most checks are a known client's report of what it reported before: one statement looks
  // at the report and, as it needs no write, answers the lookup too.
  struct Check {
    bool settled = true;
    std::vector<const ReportedProgram*> unrecorded;
    std::vector<std::optional<ProgramFacts>> facts;
  };
  Check check = Transact(std::nullopt, [&](SqlConnection& db) {
    SqlStatement& rows = db.Prepare(CheckStatement());
    rows.Bind(reporter.client_guid, reporter.origin,
              ArrayLiteral(programs, [](const auto& p) { return p.identity; }),
              ArrayLiteral(programs, [](const auto& p) { return p.version; }), min_clients,
              ArrayLiteral(queries, [](const auto& q) { return q.identity; }),
              ArrayLiteral(queries, [](const auto& q) { return q.installed_version; }));
    Check found;
    FactReader facts(queries);
    while (rows.Step()) {
      switch (rows.Integer(0)) {
        case kUnsettled:
          found.settled = false;
          break;
        case kUnrecorded:
          found.unrecorded.push_back(
              &programs[static_cast<std::size_t>(rows.Integer(kPositionColumn) - 1)]);
          break;
        default:
          facts.Read(rows);
      }
    }
    found.facts = facts.Facts();
    return found;
  });
  if (check.settled) return std::move(check.facts);
  RecordNews(reporter, std::move(check.unrecorded), daily_additions);
  return Lookup(queries, min_clients);
}

}  // namespace lintrove::service
