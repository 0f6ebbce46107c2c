#include "storage/sqlite_catalog_store.h"

#include <sqlite3.h>

#include "storage/sqlite_connection.h"

namespace lintrove::service {
namespace {

// Each entry brings the schema from the version before it to its own (its position + 1).
// Never change a released entry: add one.
constexpr SqlCatalogStore::Migration kMigrations[] = {
    {R"sql(
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
)sql"},
    // The feedback page finds a program by the Hash its verdicts carried, and keeps what
    // clients say through it.
    {R"sql(
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
)sql"},
    // Learning counts networks (origins), not client GUIDs, which anyone can make up; a
    // program's names are those most origins sent. Maintainers can retract versions and ban
    // clients and origins; programs and versions that never became known are pruned by age.
    {R"sql(
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
)sql"},
};
static_assert(std::size(kMigrations) == std::size_t{SqlCatalogStore::kSchemaVersion});

// A text key is found through the unique index on the text itself.
std::string KeyEquals(std::string_view column, std::string_view parameter) {
  return std::string(column) + " = " + std::string(parameter);
}

}  // namespace

SqliteCatalogStore::SqliteCatalogStore(const std::filesystem::path& file)
    : SqlCatalogStore({.open = [file] { return std::make_unique<SqliteConnection>(file); },
                       .key_equals = KeyEquals}) {
  // Counting every allocation takes a lock that all connections share; nobody reads the
  // counts. Possible only before SQLite's first use in the process, and harmless after it.
  static const int no_memory_statistics = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  (void)no_memory_statistics;
  // WAL is a property of the file: set once, it stays. It cannot be set in a transaction.
  Transact(std::nullopt, [](SqlConnection& db) {
    db.Execute("PRAGMA journal_mode = WAL");
    return true;
  });
  Migrate(kMigrations);
}

}  // namespace lintrove::service
