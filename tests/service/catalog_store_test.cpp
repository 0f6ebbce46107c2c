// The catalog's storage on each database engine: what every engine must do alike.
#include "catalog_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <libpq-fe.h>

#include <atomic>
#include <thread>

#include "base/error.h"
#include "catalog_engine.h"
#include "open_catalog_store.h"
#include "postgres_catalog_store.h"
#include "postgres_cluster.h"
#include "program_identity.h"

namespace lintrove::test {
namespace {

using service::CatalogEntry;
using service::Feedback;
using service::ProgramQuery;
using service::ReportedProgram;
using testing::ElementsAre;
using testing::HasSubstr;

// A client alone in a network of its own.
service::Reporter Client(const std::string& name) { return {"{" + name + "}", "network " + name}; }

constexpr std::int64_t kNoDailyLimit = 1'000'000;

std::vector<ReportedProgram> Tool(const std::string& version) {
  return {{"registry:tool|vendor", "Tool", "Vendor", version}};
}

class CatalogStoreTest : public testing::TestWithParam<CatalogEngine> {
 protected:
  service::CatalogStore& Store() { return *store_; }

 private:
  TempDir dir_;
  std::unique_ptr<service::CatalogStore> store_ =
      service::OpenCatalogStore(NewCatalogDatabase(GetParam(), dir_));
};

TEST_P(CatalogStoreTest, EachClientCountsOncePerProgramAndOncePerVersion) {
  service::CatalogStore& store = Store();
  store.RecordReport(Client("A"), Tool("1.0"), kNoDailyLimit);
  store.RecordReport(Client("A"), Tool("1.0"), kNoDailyLimit);
  store.RecordReport(Client("A"), Tool("2.0"), kNoDailyLimit);
  store.RecordReport(Client("B"), Tool("2.0"), kNoDailyLimit);
  store.RecordReport(Client("B"), Tool(""), kNoDailyLimit);  // no version: the program alone

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

TEST_P(CatalogStoreTest, ReportsFromManyThreadsAtOnceAreAllCounted) {
  service::CatalogStore& store = Store();
  constexpr int kClients = 8;
  std::vector<std::thread> threads;
  for (int client = 0; client < kClients; ++client) {
    threads.emplace_back([&store, client] {
      for (int round = 0; round < 20; ++round) {
        store.RecordReport(Client(std::to_string(client)), Tool(std::to_string(round % 4) + ".0"),
                           kNoDailyLimit);
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

TEST_P(CatalogStoreTest, CurateSetsMarksAndTextsButNeverTakesThemBack) {
  service::CatalogStore& store = Store();
  store.RecordReport(Client("A"), Tool("1.0"), kNoDailyLimit);
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

TEST_P(CatalogStoreTest, TextsTravelAsTheyAreAndSortByTheirBytes) {
  service::CatalogStore& store = Store();
  // Quotes, backslashes, braces and commas: what a list of texts could be confused by.
  const std::vector<ReportedProgram> programs = {
      {"registry:alpha \"x\" {y},\\z|", "Alpha", "", "1,0 {beta}"},
      {"registry:Zeta|", "Zeta", "", "2.0"},
      {"registry:\xc3\xa9"
       "clair|",
       "\xc3\x89"
       "clair",
       "", "3.0"},
  };
  store.RecordReport(Client("A"), programs, kNoDailyLimit);

  std::vector<ProgramQuery> queries;
  for (const ReportedProgram& program : programs) {
    queries.push_back({program.identity, program.version});
  }
  queries.push_back({"registry:alpha|", "1,0 {beta}"});
  const auto facts = store.Lookup(queries, 1);
  ASSERT_EQ(facts.size(), 4u);
  for (std::size_t i = 0; i < programs.size(); ++i) {
    SCOPED_TRACE(programs[i].identity);
    ASSERT_TRUE(facts[i]);
    EXPECT_EQ(facts[i]->program.name, programs[i].name);
    ASSERT_EQ(facts[i]->offered.size(), 1u);
    EXPECT_EQ(facts[i]->offered[0].name, programs[i].version);
    EXPECT_EQ(facts[i]->installed_version_id, facts[i]->offered[0].id);
  }
  EXPECT_FALSE(facts[3]);

  std::vector<std::string> identities;
  for (const CatalogEntry& entry : store.Export()) identities.push_back(entry.program.identity);
  EXPECT_THAT(identities,
              ElementsAre("registry:Zeta|", programs[0].identity, programs[2].identity));
}

TEST_P(CatalogStoreTest, FeedbackCountsOncePerClientKeepsTheLastCommentAndIsListedByWeight) {
  service::CatalogStore& store = Store();
  store.RecordReport(Client("A"), Tool("1.0"), kNoDailyLimit);
  const std::vector<ReportedProgram> other_program = {{"registry:other|", "Other", "", "5"}};
  store.RecordReport(Client("A"), other_program, kNoDailyLimit);
  const auto tool = store.FindProgram(service::IdentityHash("registry:tool|vendor"));
  const auto other = store.FindProgram(service::IdentityHash("registry:other|"));
  ASSERT_TRUE(tool && other);
  const std::int64_t version = tool->entry.versions.at(0).id;

  EXPECT_TRUE(store.RecordFeedback({"{A}", tool->entry.program.id, version, "first"}));
  EXPECT_TRUE(store.RecordFeedback({"{A}", tool->entry.program.id, version, "second"}));
  EXPECT_TRUE(store.RecordFeedback({"{B}", tool->entry.program.id, version, ""}));
  EXPECT_TRUE(store.RecordFeedback({"{B}", other->entry.program.id, 0, "not mine"}));
  EXPECT_FALSE(store.RecordFeedback({"{B}", other->entry.program.id, version, "x"}))
      << "a version of another program";
  EXPECT_FALSE(store.RecordFeedback({"{B}", 9999, 0, "x"}));

  const auto list = store.ListFeedback();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].identity, "registry:tool|vendor");
  EXPECT_EQ(list[0].version, "1.0");
  EXPECT_EQ(list[0].clients, 2);
  EXPECT_THAT(list[0].comments, ElementsAre("second"));
  EXPECT_THAT(list[0].last_reported,
              testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z"));
  EXPECT_EQ(list[1].version, "") << "the match is wrong";
  EXPECT_THAT(list[1].comments, ElementsAre("not mine"));
  const auto details = store.FindProgram(service::IdentityHash("registry:tool|vendor"));
  EXPECT_EQ(details->wrong_version_reports.at(version), 2);
  EXPECT_EQ(details->wrong_match_reports, 0);
  EXPECT_NO_THROW(store.Ping());
}

INSTANTIATE_TEST_SUITE_P(Engines, CatalogStoreTest, testing::ValuesIn(kCatalogEngines),
                         [](const auto& info) { return EngineName(info.param); });

void Sql(const std::string& uri, const char* sql) {
  PGconn* connection = PQconnectdb(uri.c_str());
  PGresult* result = PQexec(connection, sql);
  EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK) << PQerrorMessage(connection);
  PQclear(result);
  PQfinish(connection);
}

TEST(PostgresCatalogStoreTest, ADatabaseOfTheFirstSchemaIsBroughtToTheCurrentOneWithItsData) {
  const std::string uri = SharedPostgresCluster().NewDatabase();
  Sql(uri, R"sql(
    CREATE TABLE schema_version (version INTEGER NOT NULL);
    INSERT INTO schema_version VALUES (1);
    CREATE TABLE clients (id BIGSERIAL PRIMARY KEY, guid TEXT COLLATE "C" NOT NULL UNIQUE);
    CREATE TABLE programs (id BIGSERIAL PRIMARY KEY, identity TEXT COLLATE "C" NOT NULL UNIQUE,
      name TEXT NOT NULL DEFAULT '', publisher TEXT NOT NULL DEFAULT '',
      homepage TEXT NOT NULL DEFAULT '', clients BIGINT NOT NULL DEFAULT 0,
      added BOOLEAN NOT NULL DEFAULT false);
    CREATE TABLE versions (id BIGSERIAL PRIMARY KEY, program_id BIGINT NOT NULL REFERENCES
      programs (id), name TEXT COLLATE "C" NOT NULL, clients BIGINT NOT NULL DEFAULT 0,
      confirmed BOOLEAN NOT NULL DEFAULT false, UNIQUE (program_id, name));
    CREATE TABLE program_reports (client_id BIGINT NOT NULL, program_id BIGINT NOT NULL,
      PRIMARY KEY (client_id, program_id));
    CREATE TABLE version_reports (client_id BIGINT NOT NULL, version_id BIGINT NOT NULL,
      PRIMARY KEY (client_id, version_id));
    INSERT INTO programs (identity, name, clients) VALUES ('registry:tool|vendor', 'Tool', 4);
    INSERT INTO versions (program_id, name, clients) VALUES (1, '2.0', 4);
  )sql");

  service::PostgresCatalogStore store(uri);

  EXPECT_EQ(store.SchemaVersion(), service::PostgresCatalogStore::kSchemaVersion);
  const auto details = store.FindProgram(service::IdentityHash("registry:tool|vendor"));
  ASSERT_TRUE(details);
  EXPECT_EQ(details->entry.versions.at(0).clients, 4);
  store.RecordReport(Client("A"), Tool("2.0"), kNoDailyLimit);
  EXPECT_EQ(store.Export().at(0).versions.at(0).clients, 5);
}

TEST(PostgresCatalogStoreTest, ALaterSchemaOrAnUnreachableDatabaseIsRefused) {
  const std::string uri = SharedPostgresCluster().NewDatabase();
  { service::PostgresCatalogStore store(uri); }
  Sql(uri, "UPDATE schema_version SET version = 99");

  EXPECT_THAT([&] { service::PostgresCatalogStore store(uri); },
              testing::ThrowsMessage<Error>(HasSubstr("schema version 99")));
  EXPECT_THAT([&] { service::OpenCatalogStore(SharedPostgresCluster().Uri("no_such_db")); },
              testing::ThrowsMessage<Error>(HasSubstr("Cannot connect")));
}

TEST(PostgresCatalogStoreTest, ProcessesOpeningANewDatabaseAtOnceMigrateItOnce) {
  const std::string uri = SharedPostgresCluster().NewDatabase();
  std::vector<std::thread> openers;
  std::atomic<int> failures = 0;
  for (int i = 0; i < 4; ++i) {
    openers.emplace_back([&] {
      try {
        service::PostgresCatalogStore store(uri);
      } catch (const Error&) {
        ++failures;
      }
    });
  }
  for (std::thread& opener : openers) opener.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(service::PostgresCatalogStore(uri).SchemaVersion(),
            service::PostgresCatalogStore::kSchemaVersion);
}

TEST(PostgresCatalogStoreTest, AServerThatWentAwayIsAnErrorAndIsFoundAgainWhenBack) {
  PostgresCluster& cluster = SharedPostgresCluster();
  service::PostgresCatalogStore store(cluster.NewDatabase());
  store.RecordReport(Client("A"), Tool("1.0"), kNoDailyLimit);

  cluster.Stop();
  EXPECT_THROW(store.Ping(), Error);
  EXPECT_THROW(store.RecordReport(Client("B"), Tool("1.0"), kNoDailyLimit), Error);
  cluster.Start();

  EXPECT_NO_THROW(store.Ping());
  store.RecordReport(Client("B"), Tool("1.0"), kNoDailyLimit);
  EXPECT_EQ(store.Counts(1).reports, 2);
}

}  // namespace
}  // namespace lintrove::test
