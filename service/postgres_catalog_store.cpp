#include "postgres_catalog_store.h"

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>

#include "base/error.h"
#include "network_origin.h"
#include "program_identity.h"

namespace lintrove::service {
namespace {

// A failed statement, with the SQLSTATE that tells a conflict worth retrying from a fault.
class PostgresError : public Error {
 public:
  PostgresError(const std::string& message, std::string sqlstate)
      : Error(message), sqlstate_(std::move(sqlstate)) {}

  // Another transaction got in the way (a serialization failure or a deadlock): the whole
  // transaction may be run again.
  bool Retryable() const { return sqlstate_ == "40001" || sqlstate_ == "40P01"; }

 private:
  std::string sqlstate_;
};

std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The rows of one statement's result, all in text form.
class Rows {
 public:
  explicit Rows(PGresult* result) : result_(result) {}
  ~Rows() { PQclear(result_); }
  Rows(Rows&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}
  Rows(const Rows&) = delete;
  Rows& operator=(const Rows&) = delete;
  Rows& operator=(Rows&&) = delete;

  int Count() const { return PQntuples(result_); }
  // The rows an INSERT, UPDATE or DELETE changed.
  std::int64_t Affected() const {
    std::int64_t value = 0;
    const char* text = PQcmdTuples(result_);
    std::from_chars(text, text + std::strlen(text), value);
    return value;
  }
  bool IsNull(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }
  std::string Text(int row, int column) const {
    return std::string(PQgetvalue(result_, row, column),
                       static_cast<std::size_t>(PQgetlength(result_, row, column)));
  }
  std::int64_t Integer(int row, int column) const {
    const char* text = PQgetvalue(result_, row, column);
    std::int64_t value = 0;
    std::from_chars(text, text + PQgetlength(result_, row, column), value);
    return value;
  }
  bool Boolean(int row, int column) const { return PQgetvalue(result_, row, column)[0] == 't'; }

 private:
  PGresult* result_;
};

std::string Parameter(std::int64_t value) { return std::to_string(value); }
std::string Parameter(bool value) { return value ? "t" : "f"; }
std::string Parameter(std::string_view value) { return std::string(value); }
std::string Parameter(const std::string& value) { return value; }

}  // namespace

// What a connection runs with unless the URI says otherwise: a server that does not answer
// within seconds, a statement that runs for long, a peer gone without a word (a frozen network)
// end in an error instead of a request waiting for good.
constexpr const char* kConnectionDefaults[][2] = {
    {"connect_timeout", "5"},
    {"keepalives", "1"},
    {"keepalives_idle", "30"},
    {"keepalives_interval", "10"},
    {"keepalives_count", "3"},
    {"tcp_user_timeout", "30000"},
    {"options", "-c statement_timeout=15000 -c idle_in_transaction_session_timeout=60000"},
};

// The defaults first and the URI last: what the URI names wins.
PGconn* Connect(const std::string& uri) {
  std::vector<const char*> keywords;
  std::vector<const char*> values;
  for (const auto& [keyword, value] : kConnectionDefaults) {
    keywords.push_back(keyword);
    values.push_back(value);
  }
  keywords.push_back("dbname");
  values.push_back(uri.c_str());
  keywords.push_back(nullptr);
  values.push_back(nullptr);
  return PQconnectdbParams(keywords.data(), values.data(), 1);
}

// One connection, used by one thread at a time. Parameters always travel apart from the SQL;
// each statement is prepared once per connection.
class PostgresConnection {
 public:
  explicit PostgresConnection(const std::string& uri) : connection_(Connect(uri)) {
    if (PQstatus(connection_) != CONNECTION_OK) {
      const std::string message = Trimmed(PQerrorMessage(connection_));
      PQfinish(connection_);
      throw Error("Cannot connect to the PostgreSQL database: " + message);
    }
    if (PQsetClientEncoding(connection_, "UTF8") != 0) {
      const std::string message = Trimmed(PQerrorMessage(connection_));
      PQfinish(connection_);
      throw Error("Cannot use UTF-8 with the PostgreSQL database: " + message);
    }
    // Notices (a table that exists already, say) are no news for an operator's log.
    PQsetNoticeProcessor(
        connection_, [](void*, const char*) {}, nullptr);
  }
  ~PostgresConnection() { PQfinish(connection_); }
  PostgresConnection(const PostgresConnection&) = delete;
  PostgresConnection& operator=(const PostgresConnection&) = delete;

  bool Usable() const { return PQstatus(connection_) == CONNECTION_OK; }

  // Statements without parameters, several at a time.
  void Execute(const char* sql) { Check(PQexec(connection_, sql)); }

  template <typename... Values>
  Rows Query(std::string_view sql, const Values&... values) {
    const std::string texts[] = {Parameter(values)..., std::string()};
    const char* pointers[sizeof...(Values) + 1] = {};
    for (std::size_t i = 0; i < sizeof...(Values); ++i) pointers[i] = texts[i].c_str();
    return Check(PQexecPrepared(connection_, Prepared(sql).c_str(),
                                static_cast<int>(sizeof...(Values)), pointers, nullptr, nullptr,
                                0));
  }

 private:
  // The name of the statement of this SQL text, prepared on first use.
  const std::string& Prepared(std::string_view sql) {
    if (const auto found = prepared_.find(sql); found != prepared_.end()) return found->second;
    std::string name = "s" + std::to_string(prepared_.size());
    Check(PQprepare(connection_, name.c_str(), std::string(sql).c_str(), 0, nullptr));
    return prepared_.emplace(std::string(sql), std::move(name)).first->second;
  }

  Rows Check(PGresult* result) {
    Rows rows(result);
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return rows;
    const char* sqlstate = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    throw PostgresError("Database error: " + Trimmed(result ? PQresultErrorMessage(result)
                                                            : PQerrorMessage(connection_)),
                        sqlstate ? sqlstate : "");
  }

  PGconn* connection_;
  std::map<std::string, std::string, std::less<>> prepared_;
};

namespace {

constexpr const char* kReadOnly = "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
constexpr const char* kWriting = "BEGIN";

// Runs `work` in a transaction, again from the start when another transaction got in its way;
// rolls back when it fails. Reads see one snapshot of the whole catalog.
template <typename Work>
auto InTransaction(PostgresConnection& db, const char* begin, Work work) {
  constexpr int kAttempts = 5;
  for (int attempt = 1;; ++attempt) {
    db.Execute(begin);
    try {
      auto result = work();
      db.Execute("COMMIT");
      return result;
    } catch (const PostgresError& error) {
      if (db.Usable()) db.Execute("ROLLBACK");
      if (!error.Retryable() || attempt == kAttempts) throw;
    } catch (...) {
      if (db.Usable()) db.Execute("ROLLBACK");
      throw;
    }
  }
}

// The programs' hashes are made here, not in SQL: the database has no such function.
void StoreHashes(PostgresConnection& db) {
  const Rows programs = db.Query("SELECT id, identity FROM programs");
  for (int row = 0; row < programs.Count(); ++row) {
    db.Query("UPDATE programs SET hash = $1 WHERE id = $2", IdentityHash(programs.Text(row, 1)),
             programs.Integer(row, 0));
  }
}

// Each entry brings the schema from the version before it to its own (its position + 1), as
// the SQLite catalog's do. Never change a released entry: add one. Texts compare and sort by
// their bytes ("C"), as in SQLite, whatever the database's locale.
struct Migration {
  const char* sql;
  void (*after)(PostgresConnection&);
};
const Migration kMigrations[] = {
    {R"sql(
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
     nullptr},
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
    {R"sql(
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
     nullptr},
};
static_assert(std::size(kMigrations) == std::size_t{PostgresCatalogStore::kSchemaVersion});

// Any number that no other user of the database takes as its lock.
constexpr std::int64_t kMigrationLock = 0x4c696e74726f7665;  // "Lintrove"

void Migrate(PostgresConnection& db) {
  InTransaction(db, kWriting, [&] {
    // Processes started together would otherwise each create the tables.
    db.Query("SELECT pg_advisory_xact_lock($1)", kMigrationLock);
    db.Execute("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const std::int64_t stored =
        db.Query("SELECT coalesce(max(version), 0) FROM schema_version").Integer(0, 0);
    if (stored > PostgresCatalogStore::kSchemaVersion) {
      throw Error("The database has schema version " + std::to_string(stored) +
                  ", newer than this service knows (" +
                  std::to_string(PostgresCatalogStore::kSchemaVersion) + ")");
    }
    for (auto version = static_cast<std::size_t>(stored); version < std::size(kMigrations);
         ++version) {
      db.Execute(kMigrations[version].sql);
      if (kMigrations[version].after) kMigrations[version].after(db);
    }
    db.Query(
        "INSERT INTO settings (name, value) VALUES ('origin_secret', $1) "
        "ON CONFLICT DO NOTHING",
        NewOriginSecret());
    db.Execute("DELETE FROM schema_version");
    db.Query("INSERT INTO schema_version (version) VALUES ($1)",
             std::int64_t{PostgresCatalogStore::kSchemaVersion});
    return true;
  });
}

// The row's id, inserted first where missing. Of two transactions inserting the same row at
// once, the second waits for the first and then reads its row.
template <typename Select, typename Insert>
std::int64_t InsertIfMissing(Select select, Insert insert) {
  if (const Rows found = select(); found.Count() > 0) return found.Integer(0, 0);
  if (const Rows inserted = insert(); inserted.Count() > 0) return inserted.Integer(0, 0);
  const Rows found = select();
  if (found.Count() == 0) throw Error("Database error: a row vanished while it was inserted");
  return found.Integer(0, 0);
}

std::int64_t ClientId(PostgresConnection& db, const std::string& guid) {
  return InsertIfMissing(
      [&] { return db.Query("SELECT id FROM clients WHERE guid = $1", guid); },
      [&] {
        return db.Query(
            "INSERT INTO clients (guid) VALUES ($1) ON CONFLICT DO NOTHING RETURNING id", guid);
      });
}

std::int64_t OriginId(PostgresConnection& db, const std::string& key) {
  return InsertIfMissing(
      [&] { return db.Query("SELECT id FROM origins WHERE key = $1", key); },
      [&] {
        return db.Query("INSERT INTO origins (key) VALUES ($1) ON CONFLICT DO NOTHING RETURNING id",
                        key);
      });
}

// Identities and version names are found through the hashes their unique keys are on.
constexpr const char* kSelectProgramId =
    "SELECT id FROM programs WHERE md5(identity) = md5($1) AND identity = $1";
constexpr const char* kSelectVersionId =
    "SELECT id FROM versions WHERE program_id = $1 AND md5(name) = md5($2) AND name = $2";

std::int64_t ProgramId(PostgresConnection& db, const std::string& identity) {
  return InsertIfMissing([&] { return db.Query(kSelectProgramId, identity); },
                         [&] {
                           return db.Query(
                               "INSERT INTO programs (identity, hash) VALUES ($1, $2) "
                               "ON CONFLICT DO NOTHING RETURNING id",
                               identity, IdentityHash(identity));
                         });
}

std::int64_t VersionId(PostgresConnection& db, std::int64_t program_id, const std::string& name) {
  return InsertIfMissing([&] { return db.Query(kSelectVersionId, program_id, name); },
                         [&] {
                           return db.Query(
                               "INSERT INTO versions (program_id, name) VALUES ($1, $2) "
                               "ON CONFLICT DO NOTHING RETURNING id",
                               program_id, name);
                         });
}

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

// The reporter's rows, with whether either is banned; an id of 0 for one the catalog has not met.
struct KnownReporter {
  std::int64_t client_id = 0;
  std::int64_t origin_id = 0;
  bool banned = false;
};

KnownReporter FindReporter(PostgresConnection& db, const Reporter& reporter) {
  const Rows row = db.Query(
      "SELECT coalesce((SELECT id FROM clients WHERE guid = $1), 0), "
      "coalesce((SELECT id FROM origins WHERE key = $2), 0), "
      "coalesce((SELECT banned FROM clients WHERE guid = $1), false) "
      "OR coalesce((SELECT banned FROM origins WHERE key = $2), false)",
      reporter.client_guid, reporter.origin);
  return {row.Integer(0, 0), row.Integer(0, 1), row.Boolean(0, 2)};
}

// The programs of the report that its origin has not reported yet in their versions. Most
// reports have none: a client checks the same programs again and again, and needs no write
// then; a client that changed one version writes that one alone.
std::vector<const ReportedProgram*> Unrecorded(PostgresConnection& db, std::int64_t origin_id,
                                               std::span<const ReportedProgram> programs) {
  std::vector<const ReportedProgram*> unrecorded;
  if (origin_id == 0) {
    for (const ReportedProgram& program : programs) unrecorded.push_back(&program);
    return unrecorded;
  }
  // One statement for all programs; each report is found through its primary key.
  const Rows missing = db.Query(
      "SELECT q.position FROM unnest($2::text[], $3::text[]) WITH ORDINALITY "
      "AS q (identity, version, position) "
      "LEFT JOIN programs p ON md5(p.identity) = md5(q.identity) AND p.identity = q.identity "
      "LEFT JOIN versions v ON v.program_id = p.id AND v.name = q.version "
      "WHERE NOT CASE WHEN q.version = '' "
      "THEN EXISTS (SELECT 1 FROM program_origins r WHERE r.origin_id = $1 "
      "  AND r.program_id = p.id) "
      "ELSE EXISTS (SELECT 1 FROM version_origins r WHERE r.origin_id = $1 "
      "  AND r.version_id = v.id) END "
      "ORDER BY q.position",
      origin_id, ArrayLiteral(programs, [](const auto& p) { return p.identity; }),
      ArrayLiteral(programs, [](const auto& p) { return p.version; }));
  for (int row = 0; row < missing.Count(); ++row) {
    unrecorded.push_back(&programs[static_cast<std::size_t>(missing.Integer(row, 0) - 1)]);
  }
  return unrecorded;
}

// The names most origins sent become the programs' ($1, a bigint[] literal), unless a
// maintainer named them; of names sent by as many origins, those of the earliest.
constexpr const char* kNamesByMajority =
    "UPDATE programs p SET (name, publisher) = (SELECT name, publisher FROM program_origins o "
    "WHERE o.program_id = p.id GROUP BY name, publisher ORDER BY count(*) DESC, "
    "min(origin_id) LIMIT 1) WHERE p.id = ANY($1::bigint[]) AND NOT p.named";

// A bigint[] literal of these ids.
std::string IdArray(std::span<const std::int64_t> ids) {
  std::string literal = "{";
  for (const std::int64_t id : ids) {
    if (literal.size() > 1) literal += ',';
    literal += std::to_string(id);
  }
  return literal + "}";
}

constexpr const char* kToday = "to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD')";

// Records the origin's reports of the programs and versions the catalog holds, all in one
// statement, and names the programs it reported first. The programs of which the catalog
// holds no row yet, or no row of the version, are left: they are the ones a daily limit is on.
std::vector<const ReportedProgram*> RecordReportsOfHeldRows(
    PostgresConnection& db, std::int64_t origin_id,
    std::span<const ReportedProgram* const> programs) {
  // Counted only where the report's row went in: one already there, or one another process is
  // recording at this moment, inserts nothing. The statement's answer: the programs counted
  // (position 0), then the positions of the reports left.
  const Rows rows = db.Query(
      "WITH q AS (SELECT * FROM unnest($2::text[], $3::text[], $4::text[], $5::text[]) "
      "  WITH ORDINALITY AS q (identity, version, name, publisher, position)), "
      "found AS (SELECT q.position, q.version, q.name, q.publisher, p.id AS program_id, "
      "  v.id AS version_id FROM q "
      "  JOIN programs p ON md5(p.identity) = md5(q.identity) AND p.identity = q.identity "
      "  LEFT JOIN versions v ON v.program_id = p.id AND md5(v.name) = md5(q.version) "
      "  AND v.name = q.version), "
      "program_reports AS (INSERT INTO program_origins (origin_id, program_id, name, publisher) "
      "  SELECT DISTINCT ON (program_id) $1::bigint, program_id, name, publisher FROM found "
      "  ORDER BY program_id, position ON CONFLICT DO NOTHING RETURNING program_id), "
      "program_counts AS (UPDATE programs SET clients = clients + 1 "
      "  WHERE id IN (SELECT program_id FROM program_reports) RETURNING id), "
      "version_reports AS (INSERT INTO version_origins (origin_id, version_id) "
      "  SELECT DISTINCT $1::bigint, version_id FROM found WHERE version_id IS NOT NULL "
      "  ON CONFLICT DO NOTHING RETURNING version_id), "
      "version_counts AS (UPDATE versions SET clients = clients + 1 "
      "  WHERE id IN (SELECT version_id FROM version_reports)) "
      "SELECT id, 0 FROM program_counts UNION ALL "
      "SELECT 0, position FROM q WHERE position NOT IN "
      "  (SELECT position FROM found WHERE version = '' OR version_id IS NOT NULL)",
      origin_id, ArrayLiteral(programs, [](const auto* p) { return p->identity; }),
      ArrayLiteral(programs, [](const auto* p) { return p->version; }),
      ArrayLiteral(programs, [](const auto* p) { return p->name; }),
      ArrayLiteral(programs, [](const auto* p) { return p->publisher; }));
  std::vector<std::int64_t> counted;
  std::vector<const ReportedProgram*> left;
  for (int row = 0; row < rows.Count(); ++row) {
    if (const std::int64_t program_id = rows.Integer(row, 0); program_id != 0) {
      counted.push_back(program_id);
    } else {
      left.push_back(programs[static_cast<std::size_t>(rows.Integer(row, 1) - 1)]);
    }
  }
  if (!counted.empty()) db.Query(kNamesByMajority, IdArray(counted));
  return left;
}

constexpr const char* kProgramColumns = "id, identity, name, publisher, homepage, clients, added";

// The program in seven columns from `first`, as kProgramColumns names them.
CatalogProgram ReadProgram(const Rows& rows, int row, int first = 0) {
  CatalogProgram program;
  program.id = rows.Integer(row, first);
  program.identity = rows.Text(row, first + 1);
  program.name = rows.Text(row, first + 2);
  program.publisher = rows.Text(row, first + 3);
  program.homepage = rows.Text(row, first + 4);
  program.clients = rows.Integer(row, first + 5);
  program.added = rows.Boolean(row, first + 6);
  return program;
}

// The version in the five columns from `first`, as kVersionColumns names them.
constexpr const char* kVersionColumns = "id, name, clients, confirmed, retracted";
CatalogVersion ReadVersion(const Rows& rows, int row, int first = 0) {
  CatalogVersion version;
  version.id = rows.Integer(row, first);
  version.name = rows.Text(row, first + 1);
  version.clients = rows.Integer(row, first + 2);
  version.confirmed = rows.Boolean(row, first + 3);
  version.retracted = rows.Boolean(row, first + 4);
  return version;
}

}  // namespace

PostgresCatalogStore::PostgresCatalogStore(const std::string& uri)
    : pool_([uri] { return std::make_unique<PostgresConnection>(uri); }) {
  Lease lease(pool_);
  Migrate(*lease);
}

PostgresCatalogStore::~PostgresCatalogStore() = default;

int PostgresCatalogStore::SchemaVersion() {
  Lease lease(pool_);
  return static_cast<int>((*lease).Query("SELECT max(version) FROM schema_version").Integer(0, 0));
}

template <typename Work>
auto PostgresCatalogStore::WithConnection(Work work) {
  {
    Lease lease(pool_);
    try {
      return work(*lease);
    } catch (const Error&) {
      // A connection that waited in the pool may have been closed by a restarted server: that
      // is no reason to fail the request. Anything else is.
      if ((*lease).Usable() || !lease.Reused()) throw;
    }
  }
  Lease fresh(pool_, true);
  return work(*fresh);
}

void PostgresCatalogStore::RecordReport(const Reporter& reporter,
                                        std::span<const ReportedProgram> programs,
                                        std::int64_t daily_additions) {
  WithConnection([&](PostgresConnection& db) {
    const KnownReporter known = FindReporter(db, reporter);
    if (known.banned) return;
    std::vector<const ReportedProgram*> unrecorded = Unrecorded(db, known.origin_id, programs);
    if (unrecorded.empty() && known.client_id != 0) return;
    // Rows are locked in the order of their identities, so that two reports of the same
    // programs never wait for each other in a circle.
    std::stable_sort(unrecorded.begin(), unrecorded.end(),
                     [](const auto* a, const auto* b) { return a->identity < b->identity; });
    InTransaction(db, kWriting, [&] {
      if (FindReporter(db, reporter).banned) return true;
      ClientId(db, reporter.client_guid);
      const std::int64_t origin_id = OriginId(db, reporter.origin);
      // The origin's row stays locked to the end: its reports are recorded one at a time.
      std::int64_t additions =
          db.Query(std::string("UPDATE origins SET quota_used = CASE WHEN quota_day = ") + kToday +
                       " THEN quota_used ELSE 0 END, quota_day = " + kToday +
                       " WHERE id = $1 RETURNING quota_used",
                   origin_id)
              .Integer(0, 0);
      const auto find_or_add = [&](auto select, auto create) -> std::optional<std::int64_t> {
        if (const Rows found = select(); found.Count() > 0) return found.Integer(0, 0);
        if (additions >= daily_additions) return std::nullopt;
        ++additions;
        return create();
      };
      const std::vector<const ReportedProgram*> new_rows =
          RecordReportsOfHeldRows(db, origin_id, unrecorded);
      for (const ReportedProgram* program : new_rows) {
        const auto program_id =
            find_or_add([&] { return db.Query(kSelectProgramId, program->identity); },
                        [&] { return ProgramId(db, program->identity); });
        if (!program_id) continue;
        // Counted only by the transaction whose row went in: a report already there, or one
        // another process is recording at this moment, inserts nothing.
        const Rows counted = db.Query(
            "WITH inserted AS (INSERT INTO program_origins (origin_id, program_id, name, "
            "publisher) VALUES ($1, $2, $3, $4) ON CONFLICT DO NOTHING RETURNING program_id) "
            "UPDATE programs SET clients = clients + 1 "
            "WHERE id IN (SELECT program_id FROM inserted)",
            origin_id, *program_id, program->name, program->publisher);
        if (counted.Affected() > 0) db.Query(kNamesByMajority, IdArray(std::span(&*program_id, 1)));
        if (program->version.empty()) continue;
        const auto version_id =
            find_or_add([&] { return db.Query(kSelectVersionId, *program_id, program->version); },
                        [&] { return VersionId(db, *program_id, program->version); });
        if (!version_id) continue;
        db.Query(
            "WITH inserted AS (INSERT INTO version_origins (origin_id, version_id) "
            "VALUES ($1, $2) ON CONFLICT DO NOTHING RETURNING version_id) "
            "UPDATE versions SET clients = clients + 1 "
            "WHERE id IN (SELECT version_id FROM inserted)",
            origin_id, *version_id);
      }
      db.Query("UPDATE origins SET quota_used = $1 WHERE id = $2", additions, origin_id);
      return true;
    });
  });
}

std::vector<std::optional<ProgramFacts>> PostgresCatalogStore::Lookup(
    std::span<const ProgramQuery> queries, std::int64_t min_clients) {
  return WithConnection([&](PostgresConnection& db) {
    // All programs in one statement: each with its offered versions and the installed one
    // (offered or not), one row each; a program without such versions comes as one row with
    // the version's columns NULL.
    const Rows rows = db.Query(
        "SELECT q.position, p.id, p.identity, p.name, p.publisher, p.homepage, p.clients, "
        "p.added, v.id, v.name, v.clients, v.confirmed, v.retracted, "
        "(v.clients >= $1 OR v.confirmed) AND NOT v.retracted "
        "FROM unnest($2::text[], $3::text[]) WITH ORDINALITY AS q (identity, installed, "
        "position) JOIN programs p ON md5(p.identity) = md5(q.identity) "
        "AND p.identity = q.identity "
        "LEFT JOIN versions v ON v.program_id = p.id "
        "AND (v.clients >= $1 OR v.confirmed OR v.name = q.installed) "
        "ORDER BY q.position, v.id",
        min_clients, ArrayLiteral(queries, [](const auto& q) { return q.identity; }),
        ArrayLiteral(queries, [](const auto& q) { return q.installed_version; }));
    constexpr int kFirstVersionColumn = 8;
    std::vector<std::optional<ProgramFacts>> results(queries.size());
    for (int row = 0; row < rows.Count(); ++row) {
      const auto index = static_cast<std::size_t>(rows.Integer(row, 0) - 1);
      std::optional<ProgramFacts>& facts = results[index];
      if (!facts) facts.emplace().program = ReadProgram(rows, row, 1);
      if (rows.IsNull(row, kFirstVersionColumn)) continue;
      CatalogVersion version = ReadVersion(rows, row, kFirstVersionColumn);
      if (version.name == queries[index].installed_version) {
        facts->installed_version_id = version.id;
      }
      if (rows.Boolean(row, kFirstVersionColumn + 5)) facts->offered.push_back(std::move(version));
    }
    return results;
  });
}

void PostgresCatalogStore::Curate(std::span<const CatalogEntry> entries) {
  WithConnection([&](PostgresConnection& db) {
    InTransaction(db, kWriting, [&] {
      for (const CatalogEntry& entry : entries) {
        const CatalogProgram& program = entry.program;
        const std::int64_t program_id = ProgramId(db, program.identity);
        db.Query(
            "UPDATE programs SET name = coalesce(nullif($1, ''), name), "
            "publisher = coalesce(nullif($2, ''), publisher), "
            "named = named OR $1 <> '' OR $2 <> '', "
            "homepage = coalesce(nullif($3, ''), homepage), added = added OR $4 "
            "WHERE id = $5",
            program.name, program.publisher, program.homepage, program.added, program_id);
        for (const CatalogVersion& version : entry.versions) {
          db.Query(
              "UPDATE versions SET retracted = retracted OR $2, "
              "confirmed = (confirmed OR $1) AND NOT (retracted OR $2) WHERE id = $3",
              version.confirmed, version.retracted, VersionId(db, program_id, version.name));
        }
      }
      return true;
    });
  });
}

bool PostgresCatalogStore::Retract(std::string_view identity, std::string_view version) {
  return WithConnection([&](PostgresConnection& db) {
    return db.Query(
                 "UPDATE versions SET retracted = true, confirmed = false "
                 "WHERE md5(name) = md5($2) AND name = $2 AND program_id = (SELECT id FROM "
                 "programs WHERE md5(identity) = md5($1) AND identity = $1)",
                 identity, version)
               .Affected() > 0;
  });
}

void PostgresCatalogStore::BanClient(const std::string& client_guid) {
  WithConnection([&](PostgresConnection& db) {
    InTransaction(db, kWriting, [&] {
      const std::int64_t client_id = ClientId(db, client_guid);
      db.Query("UPDATE clients SET banned = true WHERE id = $1", client_id);
      db.Query("DELETE FROM feedback WHERE client_id = $1", client_id);
      return true;
    });
  });
}

std::int64_t PostgresCatalogStore::BanOrigin(const std::string& origin) {
  return WithConnection([&](PostgresConnection& db) {
    return InTransaction(db, kWriting, [&] {
      const std::int64_t origin_id = OriginId(db, origin);
      db.Query("UPDATE origins SET banned = true WHERE id = $1", origin_id);
      const Rows versions = db.Query(
          "WITH taken AS (DELETE FROM version_origins WHERE origin_id = $1 "
          "RETURNING version_id) UPDATE versions SET clients = clients - 1 "
          "WHERE id IN (SELECT version_id FROM taken)",
          origin_id);
      const Rows programs = db.Query(
          "WITH taken AS (DELETE FROM program_origins WHERE origin_id = $1 "
          "RETURNING program_id) UPDATE programs SET clients = clients - 1 "
          "WHERE id IN (SELECT program_id FROM taken) RETURNING id",
          origin_id);
      std::vector<std::int64_t> taken_back;
      for (int row = 0; row < programs.Count(); ++row)
        taken_back.push_back(programs.Integer(row, 0));
      db.Query(kNamesByMajority, IdArray(taken_back));
      return versions.Affected() + programs.Affected();
    });
  });
}

PruneCounts PostgresCatalogStore::Prune(std::int64_t age_days, std::int64_t min_clients) {
  return WithConnection([&](PostgresConnection& db) {
    return InTransaction(db, kWriting, [&] {
      const std::string cutoff =
          "to_char(now() AT TIME ZONE 'UTC' - make_interval(days => $1::int), 'YYYY-MM-DD')";
      // The programs to go with all their versions, and the versions to go.
      db.Execute(
          "CREATE TEMP TABLE pruned_programs (id BIGINT PRIMARY KEY) ON COMMIT DROP;"
          "CREATE TEMP TABLE pruned_versions (id BIGINT PRIMARY KEY) ON COMMIT DROP;");
      db.Query(
          "INSERT INTO pruned_programs SELECT id FROM programs "
          "WHERE first_seen <= " +
              cutoff +
              " AND clients < $2 AND NOT added AND NOT EXISTS (SELECT 1 FROM versions v "
              "WHERE v.program_id = programs.id AND v.confirmed)",
          age_days, min_clients);
      db.Query(
          "INSERT INTO pruned_versions SELECT id FROM versions "
          "WHERE (first_seen <= " +
              cutoff +
              " AND clients < $2 AND NOT confirmed) "
              "OR program_id IN (SELECT id FROM pruned_programs)",
          age_days, min_clients);
      db.Execute(
          "DELETE FROM version_origins WHERE version_id IN (SELECT id FROM pruned_versions);"
          "DELETE FROM feedback WHERE version_id IN (SELECT id FROM pruned_versions) "
          "  OR program_id IN (SELECT id FROM pruned_programs);"
          "DELETE FROM program_origins WHERE program_id IN (SELECT id FROM pruned_programs);");
      PruneCounts pruned;
      pruned.versions =
          db.Query("DELETE FROM versions WHERE id IN (SELECT id FROM pruned_versions)").Affected();
      pruned.programs =
          db.Query("DELETE FROM programs WHERE id IN (SELECT id FROM pruned_programs)").Affected();
      return pruned;
    });
  });
}

std::string PostgresCatalogStore::OriginSecret() {
  return WithConnection([&](PostgresConnection& db) {
    const Rows secret = db.Query("SELECT value FROM settings WHERE name = 'origin_secret'");
    if (secret.Count() == 0) throw Error("The catalog has no origin secret");
    return secret.Text(0, 0);
  });
}

std::vector<CatalogEntry> PostgresCatalogStore::Export() {
  return WithConnection([&](PostgresConnection& db) {
    return InTransaction(db, kReadOnly, [&] {
      std::vector<CatalogEntry> entries;
      std::map<std::int64_t, std::size_t> position;
      const Rows programs =
          db.Query(std::string("SELECT ") + kProgramColumns + " FROM programs ORDER BY identity");
      for (int row = 0; row < programs.Count(); ++row) {
        CatalogEntry entry;
        entry.program = ReadProgram(programs, row);
        position[entry.program.id] = entries.size();
        entries.push_back(std::move(entry));
      }
      const Rows versions = db.Query(std::string("SELECT ") + kVersionColumns +
                                     ", program_id FROM versions ORDER BY id");
      for (int row = 0; row < versions.Count(); ++row) {
        entries[position.at(versions.Integer(row, 5))].versions.push_back(
            ReadVersion(versions, row));
      }
      return entries;
    });
  });
}

std::optional<ProgramDetails> PostgresCatalogStore::FindProgram(std::string_view hash) {
  return WithConnection([&](PostgresConnection& db) {
    return InTransaction(db, kReadOnly, [&]() -> std::optional<ProgramDetails> {
      const Rows program = db.Query(std::string("SELECT ") + kProgramColumns +
                                        " FROM programs WHERE hash = $1 ORDER BY id LIMIT 1",
                                    hash);
      if (program.Count() == 0) return std::nullopt;
      ProgramDetails details;
      details.entry.program = ReadProgram(program, 0);
      const std::int64_t program_id = details.entry.program.id;
      const Rows versions = db.Query(std::string("SELECT ") + kVersionColumns +
                                         " FROM versions WHERE program_id = $1 ORDER BY id",
                                     program_id);
      for (int row = 0; row < versions.Count(); ++row) {
        details.entry.versions.push_back(ReadVersion(versions, row));
      }
      const Rows feedback = db.Query(
          "SELECT version_id, count(*) FROM feedback WHERE program_id = $1 GROUP BY version_id",
          program_id);
      for (int row = 0; row < feedback.Count(); ++row) {
        const std::int64_t version_id = feedback.Integer(row, 0);
        if (version_id == 0) {
          details.wrong_match_reports = feedback.Integer(row, 1);
        } else {
          details.wrong_version_reports[version_id] = feedback.Integer(row, 1);
        }
      }
      return details;
    });
  });
}

bool PostgresCatalogStore::RecordFeedback(const Feedback& feedback) {
  return WithConnection([&](PostgresConnection& db) {
    return InTransaction(db, kWriting, [&] {
      const bool known =
          feedback.version_id == 0
              ? db.Query("SELECT 1 FROM programs WHERE id = $1", feedback.program_id).Count() > 0
              : db.Query("SELECT 1 FROM versions WHERE id = $1 AND program_id = $2",
                         feedback.version_id, feedback.program_id)
                        .Count() > 0;
      if (!known) return false;
      const std::int64_t client_id = ClientId(db, feedback.client_guid);
      if (db.Query("SELECT 1 FROM clients WHERE id = $1 AND banned", client_id).Count() > 0) {
        return true;
      }
      db.Query(
          "INSERT INTO feedback (client_id, program_id, version_id, comment, reported) "
          "VALUES ($1, $2, $3, $4, "
          "to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"')) "
          "ON CONFLICT (client_id, program_id, version_id) "
          "DO UPDATE SET comment = excluded.comment, reported = excluded.reported",
          client_id, feedback.program_id, feedback.version_id, feedback.comment);
      return true;
    });
  });
}

std::vector<FeedbackSummary> PostgresCatalogStore::ListFeedback() {
  return WithConnection([&](PostgresConnection& db) {
    return InTransaction(db, kReadOnly, [&] {
      const Rows groups = db.Query(
          "SELECT p.identity, p.name, coalesce(v.name, ''), count(*), max(f.reported), "
          "f.program_id, f.version_id FROM feedback f JOIN programs p ON p.id = f.program_id "
          "LEFT JOIN versions v ON v.id = f.version_id "
          "GROUP BY f.program_id, f.version_id, p.identity, p.name, v.name "
          "ORDER BY count(*) DESC, p.identity, f.version_id");
      std::vector<FeedbackSummary> summaries;
      for (int row = 0; row < groups.Count(); ++row) {
        FeedbackSummary& summary = summaries.emplace_back();
        summary.identity = groups.Text(row, 0);
        summary.name = groups.Text(row, 1);
        summary.version = groups.Text(row, 2);
        summary.clients = groups.Integer(row, 3);
        summary.last_reported = groups.Text(row, 4);
        const Rows comments = db.Query(
            "SELECT comment FROM feedback WHERE program_id = $1 AND version_id = $2 "
            "AND comment <> '' ORDER BY reported DESC",
            groups.Integer(row, 5), groups.Integer(row, 6));
        for (int comment = 0; comment < comments.Count(); ++comment) {
          summary.comments.push_back(comments.Text(comment, 0));
        }
      }
      return summaries;
    });
  });
}

CatalogCounts PostgresCatalogStore::Counts(std::int64_t min_clients) {
  return WithConnection([&](PostgresConnection& db) {
    const Rows counts = db.Query(
        "SELECT (SELECT count(*) FROM programs), "
        "(SELECT count(*) FROM programs WHERE clients >= $1 OR added), "
        "(SELECT count(*) FROM versions), "
        "(SELECT count(*) FROM versions WHERE (clients >= $1 OR confirmed) AND NOT retracted), "
        "(SELECT count(*) FROM clients), (SELECT count(*) FROM origins), "
        "(SELECT count(*) FROM version_origins)",
        min_clients);
    return CatalogCounts{.programs = counts.Integer(0, 0),
                         .known_programs = counts.Integer(0, 1),
                         .versions = counts.Integer(0, 2),
                         .offered_versions = counts.Integer(0, 3),
                         .clients = counts.Integer(0, 4),
                         .origins = counts.Integer(0, 5),
                         .reports = counts.Integer(0, 6)};
  });
}

void PostgresCatalogStore::Ping() {
  WithConnection([&](PostgresConnection& db) { db.Query("SELECT 1"); });
}

bool PostgresCatalogStore::Writable() {
  try {
    WithConnection([&](PostgresConnection& db) {
      db.Query("UPDATE write_probe SET written = written + 1 WHERE id = 1");
    });
    return true;
  } catch (const Error&) {
    return false;
  }
}

}  // namespace lintrove::service
