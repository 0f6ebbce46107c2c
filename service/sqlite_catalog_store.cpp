#include "sqlite_catalog_store.h"

#include <sqlite3.h>

#include <map>
#include <string_view>
#include <utility>

#include "base/error.h"
#include "program_identity.h"

namespace lintrove::service {
namespace {

// Each entry brings the schema from the version before it to its own (its position + 1).
// Never change a released entry: add one.
constexpr const char* kMigrations[] = {
    R"sql(
CREATE TABLE clients (
  id INTEGER PRIMARY KEY,
  guid TEXT NOT NULL UNIQUE
);
CREATE TABLE programs (
  id INTEGER PRIMARY KEY,
  identity TEXT NOT NULL UNIQUE,
  name TEXT NOT NULL DEFAULT '',
  publisher TEXT NOT NULL DEFAULT '',
  homepage TEXT NOT NULL DEFAULT '',
  clients INTEGER NOT NULL DEFAULT 0,
  added INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE versions (
  id INTEGER PRIMARY KEY,
  program_id INTEGER NOT NULL REFERENCES programs (id),
  name TEXT NOT NULL,
  clients INTEGER NOT NULL DEFAULT 0,
  confirmed INTEGER NOT NULL DEFAULT 0,
  UNIQUE (program_id, name)
);
CREATE TABLE program_reports (
  client_id INTEGER NOT NULL REFERENCES clients (id),
  program_id INTEGER NOT NULL REFERENCES programs (id),
  PRIMARY KEY (client_id, program_id)
) WITHOUT ROWID;
CREATE TABLE version_reports (
  client_id INTEGER NOT NULL REFERENCES clients (id),
  version_id INTEGER NOT NULL REFERENCES versions (id),
  PRIMARY KEY (client_id, version_id)
) WITHOUT ROWID;
)sql",
    // The feedback page finds a program by the Hash its verdicts carried, and keeps what
    // clients say through it.
    R"sql(
ALTER TABLE programs ADD COLUMN hash TEXT NOT NULL DEFAULT '';
UPDATE programs SET hash = identity_hash(identity);
CREATE INDEX programs_by_hash ON programs (hash);
-- A program's versions in the order of their ids, without sorting them for every verdict.
CREATE INDEX versions_by_program ON versions (program_id);
CREATE TABLE feedback (
  client_id INTEGER NOT NULL REFERENCES clients (id),
  program_id INTEGER NOT NULL REFERENCES programs (id),
  version_id INTEGER NOT NULL,  -- 0: the match is wrong
  comment TEXT NOT NULL DEFAULT '',
  reported TEXT NOT NULL,
  PRIMARY KEY (client_id, program_id, version_id)
) WITHOUT ROWID;
)sql",
};
static_assert(std::size(kMigrations) == std::size_t{SqliteCatalogStore::kSchemaVersion});

}  // namespace

// One connection with its prepared statements, used by one thread at a time.
class SqliteConnection {
 public:
  class Statement;

  explicit SqliteConnection(const std::filesystem::path& file) : file_(file.string()) {
    const int opened = sqlite3_open_v2(
        file_.c_str(), &db_,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
        nullptr);
    if (opened != SQLITE_OK) {
      const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(opened);
      sqlite3_close(db_);
      throw Error("Cannot open the database " + file_ + ": " + message);
    }
    // A writer holds the file for milliseconds; other writers wait for it instead of failing.
    sqlite3_busy_timeout(db_, 10'000);
    RegisterIdentityHash();
    Execute("PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL;");
    // The log is copied into the file every 1000 pages; without a size limit it would keep the
    // largest size it ever had (a burst of new reports left some 100 MB behind).
    Execute("PRAGMA wal_autocheckpoint = 1000; PRAGMA journal_size_limit = 4194304;");
  }
  ~SqliteConnection() {
    statements_.clear();
    sqlite3_close(db_);
  }
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  void Execute(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
      const std::string text = message ? message : sqlite3_errmsg(db_);
      sqlite3_free(message);
      throw Error("Database error in " + file_ + ": " + text);
    }
  }

  // The statement of this SQL text, prepared once per connection. `sql` is a literal: its
  // address is the key.
  Statement& Prepare(const char* sql);

  std::int64_t Changes() const { return sqlite3_changes64(db_); }

  // A SQLite file stays reachable for as long as it is open.
  bool Usable() const { return true; }

  [[noreturn]] void Fail() const {
    throw Error("Database error in " + file_ + ": " + sqlite3_errmsg(db_));
  }

 private:
  // identity_hash(identity): the Hash of the verdicts, so that SQL can store it beside the
  // identity it is made of.
  void RegisterIdentityHash() {
    const auto function = [](sqlite3_context* context, int, sqlite3_value** args) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
      const std::string hash = IdentityHash(
          text ? std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(args[0])))
               : std::string_view());
      sqlite3_result_text64(context, hash.data(), hash.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    };
    if (sqlite3_create_function_v2(db_, "identity_hash", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   nullptr, function, nullptr, nullptr, nullptr) != SQLITE_OK) {
      Fail();
    }
  }

  std::string file_;
  sqlite3* db_ = nullptr;
  std::map<const char*, std::unique_ptr<Statement>> statements_;
};

class SqliteConnection::Statement {
 public:
  Statement(SqliteConnection& connection, sqlite3_stmt* statement)
      : connection_(connection), statement_(statement) {}
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Binds the parameters in order, from 1, leaving the statement ready for Step.
  template <typename... Values>
  Statement& Bind(const Values&... values) {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    int index = 0;
    (BindOne(++index, values), ...);
    return *this;
  }

  // Ends the reading of a row before its last one, keeping the bindings.
  void Reset() { sqlite3_reset(statement_); }

  // True while there is a row to read.
  bool Step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) {
      sqlite3_reset(statement_);
      connection_.Fail();
    }
    sqlite3_reset(statement_);
    return false;
  }
  void Run() {
    while (Step()) {
    }
  }

  std::int64_t Integer(int column) const { return sqlite3_column_int64(statement_, column); }
  bool IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
  std::string Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string(text,
                              static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string();
  }

 private:
  void BindOne(int index, std::int64_t value) {
    Check(sqlite3_bind_int64(statement_, index, value));
  }
  void BindOne(int index, bool value) { BindOne(index, std::int64_t{value ? 1 : 0}); }
  void BindOne(int index, std::string_view value) {
    Check(sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                              SQLITE_UTF8));
  }
  void BindOne(int index, const std::string& value) { BindOne(index, std::string_view(value)); }
  void Check(int result) const {
    if (result != SQLITE_OK) connection_.Fail();
  }

  SqliteConnection& connection_;
  sqlite3_stmt* statement_;
};

SqliteConnection::Statement& SqliteConnection::Prepare(const char* sql) {
  auto& slot = statements_[sql];
  if (!slot) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
        SQLITE_OK) {
      Fail();
    }
    slot = std::make_unique<Statement>(*this, statement);
  }
  return *slot;
}

namespace {

// A transaction that rolls back unless committed. A writing one takes the write lock at once:
// taking it later, after reading, may fail where waiting for it at the start does not.
class Transaction {
 public:
  enum class Kind { Reading, Writing };

  Transaction(SqliteConnection& connection, Kind kind) : connection_(connection) {
    connection_.Execute(kind == Kind::Writing ? "BEGIN IMMEDIATE" : "BEGIN");
  }
  ~Transaction() {
    if (!done_) {
      try {
        connection_.Execute("ROLLBACK");
      } catch (const Error&) {
        // The error that ended the transaction is the one to report.
      }
    }
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit() {
    connection_.Execute("COMMIT");
    done_ = true;
  }

 private:
  SqliteConnection& connection_;
  bool done_ = false;
};

constexpr const char* kSelectClient = "SELECT id FROM clients WHERE guid = ?";
constexpr const char* kSelectVersionId =
    "SELECT id FROM versions WHERE program_id = ? AND name = ?";

std::int64_t InsertIfMissing(SqliteConnection& db, const char* insert, const char* select,
                             auto&&... keys) {
  auto& lookup = db.Prepare(select);
  if (lookup.Bind(keys...).Step()) {
    const std::int64_t id = lookup.Integer(0);
    lookup.Reset();
    return id;
  }
  db.Prepare(insert).Bind(keys...).Run();
  if (!lookup.Bind(keys...).Step()) db.Fail();
  const std::int64_t id = lookup.Integer(0);
  lookup.Reset();
  return id;
}

std::int64_t ClientId(SqliteConnection& db, const std::string& guid) {
  return InsertIfMissing(db, "INSERT INTO clients (guid) VALUES (?)", kSelectClient, guid);
}

std::int64_t ProgramId(SqliteConnection& db, const std::string& identity) {
  return InsertIfMissing(db, "INSERT INTO programs (identity, hash) VALUES (?1, identity_hash(?1))",
                         "SELECT id FROM programs WHERE identity = ?", identity);
}

std::int64_t VersionId(SqliteConnection& db, std::int64_t program_id, const std::string& name) {
  return InsertIfMissing(db, "INSERT INTO versions (program_id, name) VALUES (?, ?)",
                         kSelectVersionId, program_id, name);
}

// Whether the client has reported each program in its version already; then a report
// changes nothing and needs no write lock. Most reports are of this kind: a client checks the
// same programs again and again.
bool AllRecorded(SqliteConnection& db, const std::string& client_guid,
                 std::span<const ReportedProgram> programs) {
  auto& client = db.Prepare(kSelectClient);
  if (!client.Bind(client_guid).Step()) return false;
  const std::int64_t client_id = client.Integer(0);
  client.Reset();
  auto& program_report = db.Prepare(
      "SELECT 1 FROM program_reports r JOIN programs p ON p.id = r.program_id "
      "WHERE r.client_id = ? AND p.identity = ?");
  auto& version_report = db.Prepare(
      "SELECT 1 FROM version_reports r JOIN versions v ON v.id = r.version_id "
      "JOIN programs p ON p.id = v.program_id "
      "WHERE r.client_id = ? AND p.identity = ? AND v.name = ?");
  for (const ReportedProgram& program : programs) {
    auto& query = program.version.empty()
                      ? program_report.Bind(client_id, program.identity)
                      : version_report.Bind(client_id, program.identity, program.version);
    const bool found = query.Step();
    query.Reset();
    if (!found) return false;
  }
  return true;
}

CatalogProgram ReadProgram(const SqliteConnection::Statement& row) {
  CatalogProgram program;
  program.id = row.Integer(0);
  program.identity = row.Text(1);
  program.name = row.Text(2);
  program.publisher = row.Text(3);
  program.homepage = row.Text(4);
  program.clients = row.Integer(5);
  program.added = row.Integer(6) != 0;
  return program;
}

// The version in the four columns from `first`: id, name, clients, confirmed.
CatalogVersion ReadVersion(const SqliteConnection::Statement& row, int first = 0) {
  CatalogVersion version;
  version.id = row.Integer(first);
  version.name = row.Text(first + 1);
  version.clients = row.Integer(first + 2);
  version.confirmed = row.Integer(first + 3) != 0;
  return version;
}

std::int64_t Count(SqliteConnection& db, const char* sql, auto&&... values) {
  auto& statement = db.Prepare(sql);
  statement.Bind(values...).Step();
  const std::int64_t count = statement.Integer(0);
  statement.Reset();
  return count;
}

void Migrate(SqliteConnection& db) {
  // WAL is a property of the file: set once, it stays.
  db.Execute("PRAGMA journal_mode = WAL");
  Transaction transaction(db, Transaction::Kind::Writing);
  db.Execute("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
  const std::int64_t stored = Count(db, "SELECT coalesce(max(version), 0) FROM schema_version");
  if (stored > SqliteCatalogStore::kSchemaVersion) {
    throw Error("The database has schema version " + std::to_string(stored) +
                ", newer than this service knows (" +
                std::to_string(SqliteCatalogStore::kSchemaVersion) + ")");
  }
  for (auto version = static_cast<std::size_t>(stored); version < std::size(kMigrations);
       ++version) {
    db.Execute(kMigrations[version]);
  }
  db.Execute("DELETE FROM schema_version");
  db.Prepare("INSERT INTO schema_version (version) VALUES (?)")
      .Bind(std::int64_t{SqliteCatalogStore::kSchemaVersion})
      .Run();
  transaction.Commit();
}

}  // namespace

SqliteCatalogStore::SqliteCatalogStore(const std::filesystem::path& file)
    : pool_([file] { return std::make_unique<SqliteConnection>(file); }) {
  // Counting every allocation takes a lock that all connections share; nobody reads the
  // counts. Possible only before SQLite's first use in the process, and harmless after it.
  static const int no_memory_statistics = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  (void)no_memory_statistics;
  Lease lease(pool_);
  Migrate(*lease);
}

SqliteCatalogStore::~SqliteCatalogStore() = default;

int SqliteCatalogStore::SchemaVersion() {
  Lease lease(pool_);
  return static_cast<int>(Count(*lease, "SELECT max(version) FROM schema_version"));
}

void SqliteCatalogStore::RecordReport(const std::string& client_guid,
                                      std::span<const ReportedProgram> programs) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  {
    Transaction reading(db, Transaction::Kind::Reading);
    if (AllRecorded(db, client_guid, programs)) return;
  }
  Transaction transaction(db, Transaction::Kind::Writing);
  const std::int64_t client_id = ClientId(db, client_guid);
  auto& name_program = db.Prepare(
      "UPDATE programs SET name = ?, publisher = ? WHERE id = ? AND name = '' AND publisher = ''");
  auto& report_program =
      db.Prepare("INSERT OR IGNORE INTO program_reports (client_id, program_id) VALUES (?, ?)");
  auto& count_program = db.Prepare("UPDATE programs SET clients = clients + 1 WHERE id = ?");
  auto& report_version =
      db.Prepare("INSERT OR IGNORE INTO version_reports (client_id, version_id) VALUES (?, ?)");
  auto& count_version = db.Prepare("UPDATE versions SET clients = clients + 1 WHERE id = ?");
  for (const ReportedProgram& program : programs) {
    const std::int64_t program_id = ProgramId(db, program.identity);
    // The first report names the program; a maintainer may rename it.
    name_program.Bind(program.name, program.publisher, program_id).Run();
    report_program.Bind(client_id, program_id).Run();
    if (db.Changes() > 0) count_program.Bind(program_id).Run();
    if (program.version.empty()) continue;
    const std::int64_t version_id = VersionId(db, program_id, program.version);
    report_version.Bind(client_id, version_id).Run();
    if (db.Changes() > 0) count_version.Bind(version_id).Run();
  }
  transaction.Commit();
}

std::vector<std::optional<ProgramFacts>> SqliteCatalogStore::Lookup(
    std::span<const ProgramQuery> queries, std::int64_t min_clients) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Reading);
  // One statement per program: the program, then its offered versions and the installed one
  // (offered or not), one row each; a program without such versions comes as one row with the
  // version's columns NULL. A statement per program, not three: most of the time of a step1
  // goes to running statements.
  auto& program = db.Prepare(
      "SELECT p.id, p.identity, p.name, p.publisher, p.homepage, p.clients, p.added, "
      "v.id, v.name, v.clients, v.confirmed, v.clients >= ?1 OR v.confirmed "
      "FROM programs p LEFT JOIN versions v ON v.program_id = p.id "
      "AND (v.clients >= ?1 OR v.confirmed OR v.name = ?2) "
      "WHERE p.identity = ?3 ORDER BY v.id");
  constexpr int kVersionColumns = 7;
  std::vector<std::optional<ProgramFacts>> results;
  results.reserve(queries.size());
  for (const ProgramQuery& query : queries) {
    std::optional<ProgramFacts>& facts = results.emplace_back();
    for (program.Bind(min_clients, query.installed_version, query.identity); program.Step();) {
      if (!facts) facts.emplace().program = ReadProgram(program);
      if (program.IsNull(kVersionColumns)) continue;
      CatalogVersion version = ReadVersion(program, kVersionColumns);
      if (version.name == query.installed_version) facts->installed_version_id = version.id;
      if (program.Integer(kVersionColumns + 4) != 0) facts->offered.push_back(std::move(version));
    }
  }
  transaction.Commit();
  return results;
}

void SqliteCatalogStore::Curate(std::span<const CatalogEntry> entries) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Writing);
  auto& update_program = db.Prepare(
      "UPDATE programs SET name = coalesce(nullif(?, ''), name), "
      "publisher = coalesce(nullif(?, ''), publisher), "
      "homepage = coalesce(nullif(?, ''), homepage), added = added OR ? WHERE id = ?");
  auto& confirm_version = db.Prepare("UPDATE versions SET confirmed = confirmed OR ? WHERE id = ?");
  for (const CatalogEntry& entry : entries) {
    const CatalogProgram& program = entry.program;
    const std::int64_t program_id = ProgramId(db, program.identity);
    update_program
        .Bind(program.name, program.publisher, program.homepage, program.added, program_id)
        .Run();
    for (const CatalogVersion& version : entry.versions) {
      confirm_version.Bind(version.confirmed, VersionId(db, program_id, version.name)).Run();
    }
  }
  transaction.Commit();
}

std::vector<CatalogEntry> SqliteCatalogStore::Export() {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Reading);
  std::vector<CatalogEntry> entries;
  std::map<std::int64_t, std::size_t> position;
  auto& programs = db.Prepare(
      "SELECT id, identity, name, publisher, homepage, clients, added FROM programs "
      "ORDER BY identity");
  for (programs.Bind(); programs.Step();) {
    CatalogEntry entry;
    entry.program = ReadProgram(programs);
    position[entry.program.id] = entries.size();
    entries.push_back(std::move(entry));
  }
  auto& versions =
      db.Prepare("SELECT id, name, clients, confirmed, program_id FROM versions ORDER BY id");
  for (versions.Bind(); versions.Step();) {
    entries[position.at(versions.Integer(4))].versions.push_back(ReadVersion(versions));
  }
  transaction.Commit();
  return entries;
}

std::optional<ProgramDetails> SqliteCatalogStore::FindProgram(std::string_view hash) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Reading);
  auto& program = db.Prepare(
      "SELECT id, identity, name, publisher, homepage, clients, added FROM programs "
      "WHERE hash = ? ORDER BY id LIMIT 1");
  if (!program.Bind(hash).Step()) return std::nullopt;
  ProgramDetails details;
  details.entry.program = ReadProgram(program);
  program.Reset();
  const std::int64_t program_id = details.entry.program.id;
  auto& versions = db.Prepare(
      "SELECT id, name, clients, confirmed FROM versions WHERE program_id = ? ORDER BY id");
  for (versions.Bind(program_id); versions.Step();) {
    details.entry.versions.push_back(ReadVersion(versions));
  }
  auto& feedback = db.Prepare(
      "SELECT version_id, count(*) FROM feedback WHERE program_id = ? GROUP BY version_id");
  for (feedback.Bind(program_id); feedback.Step();) {
    const std::int64_t version_id = feedback.Integer(0);
    if (version_id == 0) {
      details.wrong_match_reports = feedback.Integer(1);
    } else {
      details.wrong_version_reports[version_id] = feedback.Integer(1);
    }
  }
  transaction.Commit();
  return details;
}

bool SqliteCatalogStore::RecordFeedback(const Feedback& feedback) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Writing);
  const bool known =
      feedback.version_id == 0
          ? Count(db, "SELECT count(*) FROM programs WHERE id = ?", feedback.program_id) > 0
          : Count(db, "SELECT count(*) FROM versions WHERE id = ? AND program_id = ?",
                  feedback.version_id, feedback.program_id) > 0;
  if (!known) return false;
  db.Prepare(
        "INSERT INTO feedback (client_id, program_id, version_id, comment, reported) "
        "VALUES (?, ?, ?, ?, strftime('%Y-%m-%dT%H:%M:%SZ', 'now')) "
        "ON CONFLICT (client_id, program_id, version_id) "
        "DO UPDATE SET comment = excluded.comment, reported = excluded.reported")
      .Bind(ClientId(db, feedback.client_guid), feedback.program_id, feedback.version_id,
            feedback.comment)
      .Run();
  transaction.Commit();
  return true;
}

std::vector<FeedbackSummary> SqliteCatalogStore::ListFeedback() {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Reading);
  auto& groups = db.Prepare(
      "SELECT p.identity, p.name, coalesce(v.name, ''), count(*), max(f.reported), "
      "f.program_id, f.version_id FROM feedback f JOIN programs p ON p.id = f.program_id "
      "LEFT JOIN versions v ON v.id = f.version_id GROUP BY f.program_id, f.version_id "
      "ORDER BY count(*) DESC, p.identity, f.version_id");
  auto& comments = db.Prepare(
      "SELECT comment FROM feedback WHERE program_id = ? AND version_id = ? AND comment <> '' "
      "ORDER BY reported DESC");
  std::vector<FeedbackSummary> summaries;
  std::vector<std::pair<std::int64_t, std::int64_t>> keys;
  for (groups.Bind(); groups.Step();) {
    FeedbackSummary& summary = summaries.emplace_back();
    summary.identity = groups.Text(0);
    summary.name = groups.Text(1);
    summary.version = groups.Text(2);
    summary.clients = groups.Integer(3);
    summary.last_reported = groups.Text(4);
    keys.emplace_back(groups.Integer(5), groups.Integer(6));
  }
  for (std::size_t i = 0; i < summaries.size(); ++i) {
    for (comments.Bind(keys[i].first, keys[i].second); comments.Step();) {
      summaries[i].comments.push_back(comments.Text(0));
    }
  }
  transaction.Commit();
  return summaries;
}

CatalogCounts SqliteCatalogStore::Counts(std::int64_t min_clients) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Reading);
  CatalogCounts counts;
  counts.programs = Count(db, "SELECT count(*) FROM programs");
  counts.known_programs =
      Count(db, "SELECT count(*) FROM programs WHERE clients >= ? OR added", min_clients);
  counts.versions = Count(db, "SELECT count(*) FROM versions");
  counts.offered_versions =
      Count(db, "SELECT count(*) FROM versions WHERE clients >= ? OR confirmed", min_clients);
  counts.clients = Count(db, "SELECT count(*) FROM clients");
  counts.reports = Count(db, "SELECT count(*) FROM version_reports");
  transaction.Commit();
  return counts;
}

void SqliteCatalogStore::Ping() {
  Lease lease(pool_);
  Count(*lease, "SELECT 1");
}

}  // namespace lintrove::service
