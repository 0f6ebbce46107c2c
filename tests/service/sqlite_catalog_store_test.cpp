#include "sqlite_catalog_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <thread>

#include "base/error.h"
#include "program_identity.h"
#include "support/temp_dir.h"

namespace lintrove::test {
namespace {

using service::CatalogEntry;
using service::ProgramQuery;
using service::ReportedProgram;
using service::SqliteCatalogStore;
using testing::HasSubstr;

void Sql(const std::filesystem::path& file, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

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
      store.RecordReport("{A}", Tool("1.0"));
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
  store.RecordReport("{A}", added);
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

TEST(SqliteCatalogStoreTest, EachClientCountsOncePerProgramAndOncePerVersion) {
  TempDir dir;
  SqliteCatalogStore store(dir / "catalog.db");
  store.RecordReport("{A}", Tool("1.0"));
  store.RecordReport("{A}", Tool("1.0"));
  store.RecordReport("{A}", Tool("2.0"));
  store.RecordReport("{B}", Tool("2.0"));
  store.RecordReport("{B}", Tool(""));  // no version: the program alone

  const std::vector<ProgramQuery> query = {{"registry:tool|vendor", "1.0"}, {"registry:x|", ""}};
  const auto facts = store.Lookup(query, 2);
  ASSERT_TRUE(facts[0]);
  EXPECT_FALSE(facts[1]);
  EXPECT_EQ(facts[0]->program.clients, 2);
  EXPECT_EQ(facts[0]->program.name, "Tool");
  EXPECT_GT(facts[0]->installed_version_id, 0);
  ASSERT_EQ(facts[0]->offered.size(), 1u) << "1.0 has one client";
  EXPECT_EQ(facts[0]->offered[0].name, "2.0");
  EXPECT_EQ(facts[0]->offered[0].clients, 2);
  EXPECT_EQ(store.Counts(2).reports, 3);
}

TEST(SqliteCatalogStoreTest, ReportsFromManyThreadsAtOnceAreAllCounted) {
  TempDir dir;
  SqliteCatalogStore store(dir / "catalog.db");
  constexpr int kClients = 8;
  std::vector<std::thread> threads;
  for (int client = 0; client < kClients; ++client) {
    threads.emplace_back([&store, client] {
      for (int round = 0; round < 20; ++round) {
        store.RecordReport("{" + std::to_string(client) + "}",
                           Tool(std::to_string(round % 4) + ".0"));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  const auto counts = store.Counts(kClients);
  EXPECT_EQ(counts.clients, kClients);
  EXPECT_EQ(counts.versions, 4);
  EXPECT_EQ(counts.offered_versions, 4) << "every client reported every version";
  EXPECT_EQ(counts.reports, 4 * kClients);
  EXPECT_EQ(counts.known_programs, 1);
}

TEST(SqliteCatalogStoreTest, CurateSetsMarksAndTextsButNeverTakesThemBack) {
  TempDir dir;
  SqliteCatalogStore store(dir / "catalog.db");
  store.RecordReport("{A}", Tool("1.0"));
  CatalogEntry entry;
  entry.program.identity = "registry:tool|vendor";
  entry.program.homepage = "https://tool.example.org/";
  entry.program.added = true;
  entry.versions = {{.name = "1.0", .confirmed = true}, {.name = "1.1"}};
  store.Curate(std::span(&entry, 1));
  CatalogEntry later;
  later.program.identity = "registry:tool|vendor";
  later.program.name = "Tool Deluxe";
  later.versions = {{.name = "1.0"}};
  store.Curate(std::span(&later, 1));

  const auto catalog = store.Export();
  ASSERT_EQ(catalog.size(), 1u);
  EXPECT_EQ(catalog[0].program.name, "Tool Deluxe");
  EXPECT_EQ(catalog[0].program.publisher, "Vendor") << "empty texts leave the stored ones";
  EXPECT_EQ(catalog[0].program.homepage, "https://tool.example.org/");
  EXPECT_TRUE(catalog[0].program.added);
  ASSERT_EQ(catalog[0].versions.size(), 2u);
  EXPECT_TRUE(catalog[0].versions[0].confirmed);
  EXPECT_EQ(catalog[0].versions[0].clients, 1);
  EXPECT_FALSE(catalog[0].versions[1].confirmed);
}

}  // namespace
}  // namespace lintrove::test
