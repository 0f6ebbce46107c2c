#include "sqlite_catalog_store.h"

#include <sqlite3.h>

#include <map>
#include <string_view>
#include <utility>

#include "base/error.h"
#include "network_origin.h"
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
    // Learning counts networks (origins), not client GUIDs, which anyone can make up; a
    // program's names are those most origins sent. Maintainers can retract versions and ban
    // clients and origins; programs and versions that never became known are pruned by age.
    R"sql(
CREATE TABLE settings (
  name TEXT PRIMARY KEY,
  value TEXT NOT NULL
) WITHOUT ROWID;
CREATE TABLE origins (
  id INTEGER PRIMARY KEY,
  key TEXT NOT NULL UNIQUE,
  banned INTEGER NOT NULL DEFAULT 0,
  quota_day TEXT NOT NULL DEFAULT '',
  quota_used INTEGER NOT NULL DEFAULT 0
);
ALTER TABLE clients ADD COLUMN banned INTEGER NOT NULL DEFAULT 0;
ALTER TABLE programs ADD COLUMN named INTEGER NOT NULL DEFAULT 0;
ALTER TABLE programs ADD COLUMN first_seen TEXT NOT NULL DEFAULT '';
ALTER TABLE versions ADD COLUMN first_seen TEXT NOT NULL DEFAULT '';
ALTER TABLE versions ADD COLUMN retracted INTEGER NOT NULL DEFAULT 0;
UPDATE programs SET first_seen = date('now');
UPDATE versions SET first_seen = date('now');
CREATE TABLE program_origins (
  origin_id INTEGER NOT NULL REFERENCES origins (id),
  program_id INTEGER NOT NULL REFERENCES programs (id),
  name TEXT NOT NULL,
  publisher TEXT NOT NULL,
  PRIMARY KEY (origin_id, program_id)
) WITHOUT ROWID;
CREATE INDEX program_origins_by_program ON program_origins (program_id);
CREATE TABLE version_origins (
  origin_id INTEGER NOT NULL REFERENCES origins (id),
  version_id INTEGER NOT NULL REFERENCES versions (id),
  PRIMARY KEY (origin_id, version_id)
) WITHOUT ROWID;
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
CREATE TABLE write_probe (
  id INTEGER PRIMARY KEY,
  written INTEGER NOT NULL
);
INSERT INTO write_probe (id, written) VALUES (1, 0);
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

  // The statement of this SQL text, prepared once per connection.
  Statement& Prepare(std::string_view sql);

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
  std::map<std::string, std::unique_ptr<Statement>, std::less<>> statements_;
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

SqliteConnection::Statement& SqliteConnection::Prepare(std::string_view sql) {
  if (const auto found = statements_.find(sql); found != statements_.end()) return *found->second;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                         &statement, nullptr) != SQLITE_OK) {
    Fail();
  }
  return *statements_.emplace(std::string(sql), std::make_unique<Statement>(*this, statement))
              .first->second;
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

constexpr const char* kSelectVersionId =
    "SELECT id FROM versions WHERE program_id = ? AND name = ?";
constexpr const char* kSelectProgramId = "SELECT id FROM programs WHERE identity = ?";

std::optional<std::int64_t> FindId(SqliteConnection& db, const char* select, auto&&... keys) {
  auto& lookup = db.Prepare(select);
  if (!lookup.Bind(keys...).Step()) return std::nullopt;
  const std::int64_t id = lookup.Integer(0);
  lookup.Reset();
  return id;
}

std::int64_t InsertIfMissing(SqliteConnection& db, const char* insert, const char* select,
                             auto&&... keys) {
  if (const auto id = FindId(db, select, keys...)) return *id;
  db.Prepare(insert).Bind(keys...).Run();
  if (const auto id = FindId(db, select, keys...)) return *id;
  db.Fail();
}

std::int64_t ClientId(SqliteConnection& db, const std::string& guid) {
  return InsertIfMissing(db, "INSERT INTO clients (guid) VALUES (?)",
                         "SELECT id FROM clients WHERE guid = ?", guid);
}

std::int64_t OriginId(SqliteConnection& db, const std::string& key) {
  return InsertIfMissing(db, "INSERT INTO origins (key) VALUES (?)",
                         "SELECT id FROM origins WHERE key = ?", key);
}

std::int64_t ProgramId(SqliteConnection& db, const std::string& identity) {
  return InsertIfMissing(db,
                         "INSERT INTO programs (identity, hash, first_seen) "
                         "VALUES (?1, identity_hash(?1), date('now'))",
                         kSelectProgramId, identity);
}

std::int64_t VersionId(SqliteConnection& db, std::int64_t program_id, const std::string& name) {
  return InsertIfMissing(
      db, "INSERT INTO versions (program_id, name, first_seen) VALUES (?, ?, date('now'))",
      kSelectVersionId, program_id, name);
}

// The reporter's rows, with whether each is banned; an id of 0 for one the catalog has not met.
struct KnownReporter {
  std::int64_t client_id = 0;
  std::int64_t origin_id = 0;
  bool banned = false;
};

KnownReporter FindReporter(SqliteConnection& db, const Reporter& reporter) {
  KnownReporter known;
  auto& client = db.Prepare("SELECT id, banned FROM clients WHERE guid = ?");
  if (client.Bind(reporter.client_guid).Step()) {
    known.client_id = client.Integer(0);
    known.banned = client.Integer(1) != 0;
    client.Reset();
  }
  auto& origin = db.Prepare("SELECT id, banned FROM origins WHERE key = ?");
  if (origin.Bind(reporter.origin).Step()) {
    known.origin_id = origin.Integer(0);
    known.banned = known.banned || origin.Integer(1) != 0;
    origin.Reset();
  }
  return known;
}

// The programs of the report that its origin has not reported yet in their versions. Most
// reports have none: a client checks the same programs again and again, and needs no write
// lock then; a client that changed one version writes that one alone.
std::vector<const ReportedProgram*> Unrecorded(SqliteConnection& db, std::int64_t origin_id,
                                               std::span<const ReportedProgram> programs) {
  std::vector<const ReportedProgram*> unrecorded;
  if (origin_id == 0) {
    for (const ReportedProgram& program : programs) unrecorded.push_back(&program);
    return unrecorded;
  }
  auto& program_report = db.Prepare(
      "SELECT 1 FROM program_origins r JOIN programs p ON p.id = r.program_id "
      "WHERE r.origin_id = ? AND p.identity = ?");
  auto& version_report = db.Prepare(
      "SELECT 1 FROM version_origins r JOIN versions v ON v.id = r.version_id "
      "JOIN programs p ON p.id = v.program_id "
      "WHERE r.origin_id = ? AND p.identity = ? AND v.name = ?");
  for (const ReportedProgram& program : programs) {
    auto& query = program.version.empty()
                      ? program_report.Bind(origin_id, program.identity)
                      : version_report.Bind(origin_id, program.identity, program.version);
    const bool found = query.Step();
    query.Reset();
    if (!found) unrecorded.push_back(&program);
  }
  return unrecorded;
}

// The names most origins sent become the program's, unless a maintainer named it; of names
// sent by as many origins, those of the earliest.
constexpr const char* kNameByMajority =
    "UPDATE programs SET (name, publisher) = (SELECT name, publisher FROM program_origins "
    "WHERE program_id = ?1 GROUP BY name, publisher ORDER BY count(*) DESC, min(origin_id) "
    "LIMIT 1) WHERE id = ?1 AND NOT named";

// Sets the origin's count of additions to 0 on a new day; its additions so far today.
std::int64_t AdditionsToday(SqliteConnection& db, std::int64_t origin_id) {
  db.Prepare(
        "UPDATE origins SET quota_used = 0, quota_day = date('now') "
        "WHERE id = ? AND quota_day <> date('now')")
      .Bind(origin_id)
      .Run();
  return FindId(db, "SELECT quota_used FROM origins WHERE id = ?", origin_id).value_or(0);
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

// The version in the five columns from `first`, as kVersionColumns names them.
constexpr const char* kVersionColumns = "id, name, clients, confirmed, retracted";
CatalogVersion ReadVersion(const SqliteConnection::Statement& row, int first = 0) {
  CatalogVersion version;
  version.id = row.Integer(first);
  version.name = row.Text(first + 1);
  version.clients = row.Integer(first + 2);
  version.confirmed = row.Integer(first + 3) != 0;
  version.retracted = row.Integer(first + 4) != 0;
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
  db.Prepare("INSERT OR IGNORE INTO settings (name, value) VALUES ('origin_secret', ?)")
      .Bind(NewOriginSecret())
      .Run();
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

void SqliteCatalogStore::RecordReport(const Reporter& reporter,
                                      std::span<const ReportedProgram> programs,
                                      std::int64_t daily_additions) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  std::vector<const ReportedProgram*> unrecorded;
  {
    Transaction reading(db, Transaction::Kind::Reading);
    const KnownReporter known = FindReporter(db, reporter);
    if (known.banned) return;
    unrecorded = Unrecorded(db, known.origin_id, programs);
    if (unrecorded.empty() && known.client_id != 0) return;
  }
  Transaction transaction(db, Transaction::Kind::Writing);
  if (FindReporter(db, reporter).banned) return;
  ClientId(db, reporter.client_guid);
  const std::int64_t origin_id = OriginId(db, reporter.origin);
  std::int64_t additions = AdditionsToday(db, origin_id);
  // The id of a program or version, created when the origin may still add one today.
  const auto find_or_add = [&](const char* select, auto create,
                               auto&&... keys) -> std::optional<std::int64_t> {
    if (const auto id = FindId(db, select, keys...)) return id;
    if (additions >= daily_additions) return std::nullopt;
    ++additions;
    return create();
  };
  auto& report_program = db.Prepare(
      "INSERT OR IGNORE INTO program_origins (origin_id, program_id, name, publisher) "
      "VALUES (?, ?, ?, ?)");
  auto& count_program = db.Prepare("UPDATE programs SET clients = clients + 1 WHERE id = ?");
  auto& name_program = db.Prepare(kNameByMajority);
  auto& report_version =
      db.Prepare("INSERT OR IGNORE INTO version_origins (origin_id, version_id) VALUES (?, ?)");
  auto& count_version = db.Prepare("UPDATE versions SET clients = clients + 1 WHERE id = ?");
  for (const ReportedProgram* program : unrecorded) {
    const auto program_id = find_or_add(
        kSelectProgramId, [&] { return ProgramId(db, program->identity); }, program->identity);
    if (!program_id) continue;
    report_program.Bind(origin_id, *program_id, program->name, program->publisher).Run();
    if (db.Changes() > 0) {
      count_program.Bind(*program_id).Run();
      name_program.Bind(*program_id).Run();
    }
    if (program->version.empty()) continue;
    const auto version_id = find_or_add(
        kSelectVersionId, [&] { return VersionId(db, *program_id, program->version); }, *program_id,
        program->version);
    if (!version_id) continue;
    report_version.Bind(origin_id, *version_id).Run();
    if (db.Changes() > 0) count_version.Bind(*version_id).Run();
  }
  db.Prepare("UPDATE origins SET quota_used = ? WHERE id = ?").Bind(additions, origin_id).Run();
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
      "v.id, v.name, v.clients, v.confirmed, v.retracted, "
      "(v.clients >= ?1 OR v.confirmed) AND NOT v.retracted "
      "FROM programs p LEFT JOIN versions v ON v.program_id = p.id "
      "AND (v.clients >= ?1 OR v.confirmed OR v.name = ?2) "
      "WHERE p.identity = ?3 ORDER BY v.id");
  constexpr int kFirstVersionColumn = 7;
  std::vector<std::optional<ProgramFacts>> results;
  results.reserve(queries.size());
  for (const ProgramQuery& query : queries) {
    std::optional<ProgramFacts>& facts = results.emplace_back();
    for (program.Bind(min_clients, query.installed_version, query.identity); program.Step();) {
      if (!facts) facts.emplace().program = ReadProgram(program);
      if (program.IsNull(kFirstVersionColumn)) continue;
      CatalogVersion version = ReadVersion(program, kFirstVersionColumn);
      if (version.name == query.installed_version) facts->installed_version_id = version.id;
      if (program.Integer(kFirstVersionColumn + 5) != 0) {
        facts->offered.push_back(std::move(version));
      }
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
      "UPDATE programs SET name = coalesce(nullif(?1, ''), name), "
      "publisher = coalesce(nullif(?2, ''), publisher), "
      "named = named OR ?1 <> '' OR ?2 <> '', "
      "homepage = coalesce(nullif(?3, ''), homepage), added = added OR ?4 WHERE id = ?5");
  auto& mark_version = db.Prepare(
      "UPDATE versions SET retracted = retracted OR ?2, "
      "confirmed = (confirmed OR ?1) AND NOT (retracted OR ?2) WHERE id = ?3");
  for (const CatalogEntry& entry : entries) {
    const CatalogProgram& program = entry.program;
    const std::int64_t program_id = ProgramId(db, program.identity);
    update_program
        .Bind(program.name, program.publisher, program.homepage, program.added, program_id)
        .Run();
    for (const CatalogVersion& version : entry.versions) {
      mark_version
          .Bind(version.confirmed, version.retracted, VersionId(db, program_id, version.name))
          .Run();
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
  auto& versions = db.Prepare(std::string("SELECT ") + kVersionColumns +
                              ", program_id FROM versions ORDER BY id");
  for (versions.Bind(); versions.Step();) {
    entries[position.at(versions.Integer(5))].versions.push_back(ReadVersion(versions));
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
  auto& versions = db.Prepare(std::string("SELECT ") + kVersionColumns +
                              " FROM versions WHERE program_id = ? ORDER BY id");
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
  const std::int64_t client_id = ClientId(db, feedback.client_guid);
  if (Count(db, "SELECT banned FROM clients WHERE id = ?", client_id) != 0) return true;
  db.Prepare(
        "INSERT INTO feedback (client_id, program_id, version_id, comment, reported) "
        "VALUES (?, ?, ?, ?, strftime('%Y-%m-%dT%H:%M:%SZ', 'now')) "
        "ON CONFLICT (client_id, program_id, version_id) "
        "DO UPDATE SET comment = excluded.comment, reported = excluded.reported")
      .Bind(client_id, feedback.program_id, feedback.version_id, feedback.comment)
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
      Count(db, "SELECT count(*) FROM versions WHERE (clients >= ? OR confirmed) AND NOT retracted",
            min_clients);
  counts.clients = Count(db, "SELECT count(*) FROM clients");
  counts.origins = Count(db, "SELECT count(*) FROM origins");
  counts.reports = Count(db, "SELECT count(*) FROM version_origins");
  transaction.Commit();
  return counts;
}

void SqliteCatalogStore::Ping() {
  Lease lease(pool_);
  Count(*lease, "SELECT 1");
}

bool SqliteCatalogStore::Writable() {
  try {
    Lease lease(pool_);
    SqliteConnection& db = *lease;
    Transaction transaction(db, Transaction::Kind::Writing);
    db.Prepare("UPDATE write_probe SET written = written + 1 WHERE id = 1").Run();
    transaction.Commit();
    return true;
  } catch (const Error&) {
    return false;
  }
}

bool SqliteCatalogStore::Retract(std::string_view identity, std::string_view version) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Writing);
  db.Prepare(
        "UPDATE versions SET retracted = 1, confirmed = 0 WHERE name = ?2 AND program_id = "
        "(SELECT id FROM programs WHERE identity = ?1)")
      .Bind(identity, version)
      .Run();
  const bool found = db.Changes() > 0;
  transaction.Commit();
  return found;
}

void SqliteCatalogStore::BanClient(const std::string& client_guid) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Writing);
  const std::int64_t client_id = ClientId(db, client_guid);
  db.Prepare("UPDATE clients SET banned = 1 WHERE id = ?").Bind(client_id).Run();
  db.Prepare("DELETE FROM feedback WHERE client_id = ?").Bind(client_id).Run();
  transaction.Commit();
}

std::int64_t SqliteCatalogStore::BanOrigin(const std::string& origin) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Writing);
  const std::int64_t origin_id = OriginId(db, origin);
  db.Prepare("UPDATE origins SET banned = 1 WHERE id = ?").Bind(origin_id).Run();
  std::vector<std::int64_t> programs;
  auto& reported = db.Prepare("SELECT program_id FROM program_origins WHERE origin_id = ?");
  for (reported.Bind(origin_id); reported.Step();) programs.push_back(reported.Integer(0));
  db.Prepare(
        "UPDATE versions SET clients = clients - 1 "
        "WHERE id IN (SELECT version_id FROM version_origins WHERE origin_id = ?)")
      .Bind(origin_id)
      .Run();
  db.Prepare("DELETE FROM version_origins WHERE origin_id = ?").Bind(origin_id).Run();
  const std::int64_t taken_back = db.Changes() + std::ssize(programs);
  db.Prepare(
        "UPDATE programs SET clients = clients - 1 "
        "WHERE id IN (SELECT program_id FROM program_origins WHERE origin_id = ?)")
      .Bind(origin_id)
      .Run();
  db.Prepare("DELETE FROM program_origins WHERE origin_id = ?").Bind(origin_id).Run();
  auto& rename = db.Prepare(kNameByMajority);
  for (const std::int64_t program_id : programs) rename.Bind(program_id).Run();
  transaction.Commit();
  return taken_back;
}

PruneCounts SqliteCatalogStore::Prune(std::int64_t age_days, std::int64_t min_clients) {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  Transaction transaction(db, Transaction::Kind::Writing);
  // The versions to go, and the programs with all their versions.
  db.Execute("CREATE TEMP TABLE IF NOT EXISTS pruned_versions (id INTEGER PRIMARY KEY)");
  db.Execute("CREATE TEMP TABLE IF NOT EXISTS pruned_programs (id INTEGER PRIMARY KEY)");
  db.Execute("DELETE FROM pruned_versions; DELETE FROM pruned_programs");
  const std::string cutoff = "date('now', '-' || ?1 || ' days')";
  db.Prepare("INSERT INTO pruned_programs SELECT id FROM programs WHERE first_seen <= " + cutoff +
             " AND clients < ?2 AND NOT added AND NOT EXISTS (SELECT 1 FROM versions v "
             "WHERE v.program_id = programs.id AND v.confirmed)")
      .Bind(age_days, min_clients)
      .Run();
  db.Prepare("INSERT INTO pruned_versions SELECT id FROM versions WHERE (first_seen <= " + cutoff +
             " AND clients < ?2 AND NOT confirmed) OR program_id IN pruned_programs")
      .Bind(age_days, min_clients)
      .Run();
  PruneCounts pruned;
  pruned.programs = Count(db, "SELECT count(*) FROM pruned_programs");
  pruned.versions = Count(db, "SELECT count(*) FROM pruned_versions");
  db.Execute(
      "DELETE FROM version_origins WHERE version_id IN pruned_versions;"
      "DELETE FROM feedback WHERE version_id IN pruned_versions "
      "  OR program_id IN pruned_programs;"
      "DELETE FROM versions WHERE id IN pruned_versions;"
      "DELETE FROM program_origins WHERE program_id IN pruned_programs;"
      "DELETE FROM programs WHERE id IN pruned_programs;");
  transaction.Commit();
  return pruned;
}

std::string SqliteCatalogStore::OriginSecret() {
  Lease lease(pool_);
  SqliteConnection& db = *lease;
  auto& secret = db.Prepare("SELECT value FROM settings WHERE name = 'origin_secret'");
  if (!secret.Bind().Step()) throw Error("The catalog has no origin secret");
  std::string value = secret.Text(0);
  secret.Reset();
  return value;
}

}  // namespace lintrove::service
