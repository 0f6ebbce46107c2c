#include "postgres_catalog_store.h"

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>
#include <utility>

#include "base/error.h"
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

// One connection, used by one thread at a time. Parameters always travel apart from the SQL.
class PostgresConnection {
 public:
  explicit PostgresConnection(const std::string& uri) : connection_(PQconnectdb(uri.c_str())) {
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
  Rows Query(const char* sql, const Values&... values) {
    const std::string texts[] = {Parameter(values)..., std::string()};
    const char* pointers[sizeof...(Values) + 1] = {};
    for (std::size_t i = 0; i < sizeof...(Values); ++i) pointers[i] = texts[i].c_str();
    return Check(PQexecParams(connection_, sql, static_cast<int>(sizeof...(Values)), nullptr,
                              pointers, nullptr, nullptr, 0));
  }

 private:
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

std::int64_t ProgramId(PostgresConnection& db, const std::string& identity) {
  return InsertIfMissing(
      [&] { return db.Query("SELECT id FROM programs WHERE identity = $1", identity); },
      [&] {
        return db.Query(
            "INSERT INTO programs (identity, hash) VALUES ($1, $2) "
            "ON CONFLICT DO NOTHING RETURNING id",
            identity, IdentityHash(identity));
      });
}

std::int64_t VersionId(PostgresConnection& db, std::int64_t program_id, const std::string& name) {
  return InsertIfMissing(
      [&] {
        return db.Query("SELECT id FROM versions WHERE program_id = $1 AND name = $2", program_id,
                        name);
      },
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

// Whether the client has reported each program in its version already; then a report
// changes nothing and needs no write. Most reports are of this kind: a client checks the same
// programs again and again.
bool AllRecorded(PostgresConnection& db, const std::string& client_guid,
                 std::span<const ReportedProgram> programs) {
  const Rows client = db.Query("SELECT id FROM clients WHERE guid = $1", client_guid);
  if (client.Count() == 0) return false;
  // One statement sees one snapshot: no transaction needed. Each report is found through its
  // primary key.
  const Rows recorded = db.Query(
      "SELECT count(*) FROM unnest($2::text[], $3::text[]) AS q (identity, version) "
      "JOIN programs p ON p.identity = q.identity "
      "LEFT JOIN versions v ON v.program_id = p.id AND v.name = q.version "
      "WHERE CASE WHEN q.version = '' "
      "THEN EXISTS (SELECT 1 FROM program_reports r WHERE r.client_id = $1 "
      "  AND r.program_id = p.id) "
      "ELSE EXISTS (SELECT 1 FROM version_reports r WHERE r.client_id = $1 "
      "  AND r.version_id = v.id) END",
      client.Integer(0, 0), ArrayLiteral(programs, [](const auto& p) { return p.identity; }),
      ArrayLiteral(programs, [](const auto& p) { return p.version; }));
  return recorded.Integer(0, 0) == static_cast<std::int64_t>(programs.size());
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

// The version in the four columns from `first`: id, name, clients, confirmed.
CatalogVersion ReadVersion(const Rows& rows, int row, int first = 0) {
  CatalogVersion version;
  version.id = rows.Integer(row, first);
  version.name = rows.Text(row, first + 1);
  version.clients = rows.Integer(row, first + 2);
  version.confirmed = rows.Boolean(row, first + 3);
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

void PostgresCatalogStore::RecordReport(const std::string& client_guid,
                                        std::span<const ReportedProgram> programs) {
  Lease lease(pool_);
  PostgresConnection& db = *lease;
  if (AllRecorded(db, client_guid, programs)) return;
  // Rows are locked in the order of their identities, so that two reports of the same
  // programs never wait for each other in a circle.
  std::vector<ReportedProgram> ordered(programs.begin(), programs.end());
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const auto& a, const auto& b) { return a.identity < b.identity; });
  InTransaction(db, kWriting, [&] {
    const std::int64_t client_id = ClientId(db, client_guid);
    for (const ReportedProgram& program : ordered) {
      const std::int64_t program_id = ProgramId(db, program.identity);
      // The first report names the program; a maintainer may rename it.
      db.Query(
          "UPDATE programs SET name = $1, publisher = $2 "
          "WHERE id = $3 AND name = '' AND publisher = ''",
          program.name, program.publisher, program_id);
      // Counted only by the transaction whose row went in: a report already there, or one
      // another process is recording at this moment, inserts nothing.
      db.Query(
          "WITH inserted AS (INSERT INTO program_reports (client_id, program_id) "
          "VALUES ($1, $2) ON CONFLICT DO NOTHING RETURNING program_id) "
          "UPDATE programs SET clients = clients + 1 "
          "WHERE id IN (SELECT program_id FROM inserted)",
          client_id, program_id);
      if (program.version.empty()) continue;
      db.Query(
          "WITH inserted AS (INSERT INTO version_reports (client_id, version_id) "
          "VALUES ($1, $2) ON CONFLICT DO NOTHING RETURNING version_id) "
          "UPDATE versions SET clients = clients + 1 "
          "WHERE id IN (SELECT version_id FROM inserted)",
          client_id, VersionId(db, program_id, program.version));
    }
    return true;
  });
}

std::vector<std::optional<ProgramFacts>> PostgresCatalogStore::Lookup(
    std::span<const ProgramQuery> queries, std::int64_t min_clients) {
  Lease lease(pool_);
  PostgresConnection& db = *lease;
  // All programs in one statement: each with its offered versions and the installed one
  // (offered or not), one row each; a program without such versions comes as one row with the
  // version's columns NULL.
  const Rows rows = db.Query(
      "SELECT q.position, p.id, p.identity, p.name, p.publisher, p.homepage, p.clients, "
      "p.added, v.id, v.name, v.clients, v.confirmed, v.clients >= $1 OR v.confirmed "
      "FROM unnest($2::text[], $3::text[]) WITH ORDINALITY AS q (identity, installed, position) "
      "JOIN programs p ON p.identity = q.identity "
      "LEFT JOIN versions v ON v.program_id = p.id "
      "AND (v.clients >= $1 OR v.confirmed OR v.name = q.installed) "
      "ORDER BY q.position, v.id",
      min_clients, ArrayLiteral(queries, [](const auto& q) { return q.identity; }),
      ArrayLiteral(queries, [](const auto& q) { return q.installed_version; }));
  constexpr int kVersionColumns = 8;
  std::vector<std::optional<ProgramFacts>> results(queries.size());
  for (int row = 0; row < rows.Count(); ++row) {
    const auto index = static_cast<std::size_t>(rows.Integer(row, 0) - 1);
    std::optional<ProgramFacts>& facts = results[index];
    if (!facts) facts.emplace().program = ReadProgram(rows, row, 1);
    if (rows.IsNull(row, kVersionColumns)) continue;
    CatalogVersion version = ReadVersion(rows, row, kVersionColumns);
    if (version.name == queries[index].installed_version) facts->installed_version_id = version.id;
    if (rows.Boolean(row, kVersionColumns + 4)) facts->offered.push_back(std::move(version));
  }
  return results;
}

void PostgresCatalogStore::Curate(std::span<const CatalogEntry> entries) {
  Lease lease(pool_);
  PostgresConnection& db = *lease;
  InTransaction(db, kWriting, [&] {
    for (const CatalogEntry& entry : entries) {
      const CatalogProgram& program = entry.program;
      const std::int64_t program_id = ProgramId(db, program.identity);
      db.Query(
          "UPDATE programs SET name = coalesce(nullif($1, ''), name), "
          "publisher = coalesce(nullif($2, ''), publisher), "
          "homepage = coalesce(nullif($3, ''), homepage), added = added OR $4 "
          "WHERE id = $5",
          program.name, program.publisher, program.homepage, program.added, program_id);
      for (const CatalogVersion& version : entry.versions) {
        db.Query("UPDATE versions SET confirmed = confirmed OR $1 WHERE id = $2", version.confirmed,
                 VersionId(db, program_id, version.name));
      }
    }
    return true;
  });
}

std::vector<CatalogEntry> PostgresCatalogStore::Export() {
  Lease lease(pool_);
  PostgresConnection& db = *lease;
  return InTransaction(db, kReadOnly, [&] {
    std::vector<CatalogEntry> entries;
    std::map<std::int64_t, std::size_t> position;
    const Rows programs = db.Query(
        (std::string("SELECT ") + kProgramColumns + " FROM programs ORDER BY identity").c_str());
    for (int row = 0; row < programs.Count(); ++row) {
      CatalogEntry entry;
      entry.program = ReadProgram(programs, row);
      position[entry.program.id] = entries.size();
      entries.push_back(std::move(entry));
    }
    const Rows versions =
        db.Query("SELECT id, name, clients, confirmed, program_id FROM versions ORDER BY id");
    for (int row = 0; row < versions.Count(); ++row) {
      entries[position.at(versions.Integer(row, 4))].versions.push_back(ReadVersion(versions, row));
    }
    return entries;
  });
}

std::optional<ProgramDetails> PostgresCatalogStore::FindProgram(std::string_view hash) {
  Lease lease(pool_);
  PostgresConnection& db = *lease;
  return InTransaction(db, kReadOnly, [&]() -> std::optional<ProgramDetails> {
    const Rows program = db.Query((std::string("SELECT ") + kProgramColumns +
                                   " FROM programs WHERE hash = $1 ORDER BY id LIMIT 1")
                                      .c_str(),
                                  hash);
    if (program.Count() == 0) return std::nullopt;
    ProgramDetails details;
    details.entry.program = ReadProgram(program, 0);
    const std::int64_t program_id = details.entry.program.id;
    const Rows versions = db.Query(
        "SELECT id, name, clients, confirmed FROM versions WHERE program_id = $1 ORDER BY id",
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
}

bool PostgresCatalogStore::RecordFeedback(const Feedback& feedback) {
  Lease lease(pool_);
  PostgresConnection& db = *lease;
  return InTransaction(db, kWriting, [&] {
    const bool known =
        feedback.version_id == 0
            ? db.Query("SELECT 1 FROM programs WHERE id = $1", feedback.program_id).Count() > 0
            : db.Query("SELECT 1 FROM versions WHERE id = $1 AND program_id = $2",
                       feedback.version_id, feedback.program_id)
                      .Count() > 0;
    if (!known) return false;
    db.Query(
        "INSERT INTO feedback (client_id, program_id, version_id, comment, reported) "
        "VALUES ($1, $2, $3, $4, "
        "to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"')) "
        "ON CONFLICT (client_id, program_id, version_id) "
        "DO UPDATE SET comment = excluded.comment, reported = excluded.reported",
        ClientId(db, feedback.client_guid), feedback.program_id, feedback.version_id,
        feedback.comment);
    return true;
  });
}

std::vector<FeedbackSummary> PostgresCatalogStore::ListFeedback() {
  Lease lease(pool_);
  PostgresConnection& db = *lease;
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
}

CatalogCounts PostgresCatalogStore::Counts(std::int64_t min_clients) {
  Lease lease(pool_);
  PostgresConnection& db = *lease;
  const Rows counts = db.Query(
      "SELECT (SELECT count(*) FROM programs), "
      "(SELECT count(*) FROM programs WHERE clients >= $1 OR added), "
      "(SELECT count(*) FROM versions), "
      "(SELECT count(*) FROM versions WHERE clients >= $1 OR confirmed), "
      "(SELECT count(*) FROM clients), (SELECT count(*) FROM version_reports)",
      min_clients);
  return {.programs = counts.Integer(0, 0),
          .known_programs = counts.Integer(0, 1),
          .versions = counts.Integer(0, 2),
          .offered_versions = counts.Integer(0, 3),
          .clients = counts.Integer(0, 4),
          .reports = counts.Integer(0, 5)};
}

void PostgresCatalogStore::Ping() {
  Lease lease(pool_);
  (*lease).Query("SELECT 1");
}

}  // namespace lintrove::service
