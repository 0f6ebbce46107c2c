#include "storage/sqlite_catalog_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include "base/error.h"
#include "catalog/program_identity.h"
#include "support/temp_dir.h"

namespace lintrove::test {
namespace {

using service::CatalogEntry;
using service::ReportedProgram;
using service::SqliteCatalogStore;
using testing::HasSubstr;

void Sql(const std::filesystem::path& file, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

// A client alone in a network of its own.
service::Reporter Client(const std::string& name) { return {"{" + name + "}", "network " + name}; }

constexpr std::int64_t kNoDailyLimit = 1'000'000;

std::vector<ReportedProgram> Tool(const std::string& version) {
  return {{"registry:tool|vendor", "Tool", "Vendor", version}};
}

TEST(SqliteCatalogStoreTest, ANewOrEmptyFileGetsTheSchemaAndAReopenedOneKeepsItsData) {
  TempDir dir;
  WriteFileBytes(dir / "empty.db", "");
  for (const char* name : {"new.db", "empty.db"}) {
    SCOPED_TRACE(name);
    {
      SqliteCatalogStore store(dir / name);
      EXPECT_EQ(store.SchemaVersion(), SqliteCatalogStore::kSchemaVersion);
      store.RecordReport(Client("A"), Tool("1.0"), kNoDailyLimit);
    }
    SqliteCatalogStore reopened(dir / name);
    EXPECT_EQ(reopened.SchemaVersion(), SqliteCatalogStore::kSchemaVersion);
    const auto counts = reopened.Counts(1);
    EXPECT_EQ(counts.programs, 1);
    EXPECT_EQ(counts.clients, 1);
    EXPECT_EQ(counts.reports, 1);
  }
}

TEST(SqliteCatalogStoreTest, AFileOfTheFirstSchemaIsBroughtToTheCurrentOneWithItsData) {
  TempDir dir;
  Sql(dir / "v1.db", R"sql(
    CREATE TABLE schema_version (version INTEGER NOT NULL);
    INSERT INTO schema_version VALUES (1);
    CREATE TABLE clients (id INTEGER PRIMARY KEY, guid TEXT NOT NULL UNIQUE);
    CREATE TABLE programs (id INTEGER PRIMARY KEY, identity TEXT NOT NULL UNIQUE,
      name TEXT NOT NULL DEFAULT '', publisher TEXT NOT NULL DEFAULT '',
      homepage TEXT NOT NULL DEFAULT '', clients INTEGER NOT NULL DEFAULT 0,
      added INTEGER NOT NULL DEFAULT 0);
    CREATE TABLE versions (id INTEGER PRIMARY KEY, program_id INTEGER NOT NULL REFERENCES
      programs (id), name TEXT NOT NULL, clients INTEGER NOT NULL DEFAULT 0,
      confirmed INTEGER NOT NULL DEFAULT 0, UNIQUE (program_id, name));
    CREATE TABLE program_reports (client_id INTEGER NOT NULL, program_id INTEGER NOT NULL,
      PRIMARY KEY (client_id, program_id)) WITHOUT ROWID;
    CREATE TABLE version_reports (client_id INTEGER NOT NULL, version_id INTEGER NOT NULL,
      PRIMARY KEY (client_id, version_id)) WITHOUT ROWID;
    INSERT INTO programs (identity, name, clients) VALUES ('registry:tool|vendor', 'Tool', 4);
    INSERT INTO versions (program_id, name, clients) VALUES (1, '2.0', 4);
  )sql");

  SqliteCatalogStore store(dir / "v1.db");

  EXPECT_EQ(store.SchemaVersion(), SqliteCatalogStore::kSchemaVersion);
  // The programs of the old file are found by the Hash their verdicts carry.
  const auto details = store.FindProgram(service::IdentityHash("registry:tool|vendor"));
  ASSERT_TRUE(details);
  EXPECT_EQ(details->entry.program.name, "Tool");
  ASSERT_EQ(details->entry.versions.size(), 1u);
  EXPECT_EQ(details->entry.versions[0].clients, 4);
  EXPECT_TRUE(store.RecordFeedback({"{A}", details->entry.program.id, 0, ""}));
  // And so are those added since.
  const std::vector<ReportedProgram> added = {{"registry:new|vendor", "New", "Vendor", "1.0"}};
  store.RecordReport(Client("A"), added, kNoDailyLimit);
  EXPECT_TRUE(store.FindProgram(service::IdentityHash("registry:new|vendor")));
  EXPECT_FALSE(store.FindProgram(service::IdentityHash("registry:other|vendor")));
}

TEST(SqliteCatalogStoreTest, AFileOfALaterSchemaOrNoDatabaseAtAllIsRefused) {
  TempDir dir;
  { SqliteCatalogStore store(dir / "later.db"); }
  Sql(dir / "later.db", "UPDATE schema_version SET version = 99");
  WriteFileBytes(dir / "text.db", "this is no database, but it is long enough to look like one");

  EXPECT_THAT([&] { SqliteCatalogStore store(dir / "later.db"); },
              testing::ThrowsMessage<Error>(HasSubstr("schema version 99")));
  EXPECT_THROW(SqliteCatalogStore(dir / "text.db"), Error);
  EXPECT_THROW(SqliteCatalogStore(dir / "no-such-dir" / "x.db"), Error);
}

TEST(SqliteCatalogStoreTest, TheWriteAheadLogStaysSmallAfterABurstOfNewReports) {
  TempDir dir;
  SqliteCatalogStore store(dir / "catalog.db");
  // Networks each bringing 300 programs the catalog has not seen: thousands of pages written.
  for (int origin = 0; origin < 30; ++origin) {
    std::vector<ReportedProgram> programs;
    for (int i = 0; i < 300; ++i) {
      const std::string name = "Program " + std::to_string(origin) + "-" + std::to_string(i);
      programs.push_back({"registry:" + name + "|vendor", name, "Vendor", "1.0"});
    }
    store.RecordReport(Client(std::to_string(origin)), programs, kNoDailyLimit);
  }
  store.RecordReport(Client("last"), Tool("1.0"), kNoDailyLimit);

  // 1 MiB, and what one transaction wrote beyond it before the log was cut back.
  EXPECT_LE(std::filesystem::file_size(dir / "catalog.db-wal"), 1'536u * 1024u);
  EXPECT_EQ(store.Counts(1).programs, 30 * 300 + 1);
}

}  // namespace
}  // namespace lintrove::test
