// The catalog's storage on each database engine: what every engine must do alike.
#include "catalog/catalog_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <libpq-fe.h>

#include <atomic>
#include <thread>

#include "base/error.h"
#include "catalog/program_identity.h"
#include "catalog_engine.h"
#include "postgres_cluster.h"
#include "storage/open_catalog_store.h"
#include "storage/postgres_catalog_store.h"

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

TEST_P(CatalogStoreTest, AnOriginCountsOnceHoweverManyClientIdsItUses) {
  service::CatalogStore& store = Store();
  // Three made-up GUIDs from one network, then two machines of other networks.
  for (const char* guid : {"{X1}", "{X2}", "{X3}"}) {
    store.RecordReport({guid, "network X"}, Tool("9.9.9"), kNoDailyLimit);
  }
  store.RecordReport(Client("A"), Tool("2.0"), kNoDailyLimit);
  store.RecordReport({"{A2}", "network A"}, Tool("2.0"), kNoDailyLimit);
  store.RecordReport(Client("B"), Tool("2.0"), kNoDailyLimit);

  const std::vector<ProgramQuery> query = {{"registry:tool|vendor", "1.0"}};
  const auto facts = store.Lookup(query, 2);
  ASSERT_TRUE(facts[0]);
  EXPECT_EQ(facts[0]->program.clients, 3) << "networks X, A and B";
  ASSERT_EQ(facts[0]->offered.size(), 1u);
  EXPECT_EQ(facts[0]->offered[0].name, "2.0");
  EXPECT_EQ(facts[0]->offered[0].clients, 2);
  const auto counts = store.Counts(2);
  EXPECT_EQ(counts.clients, 6);
  EXPECT_EQ(counts.origins, 3);
  EXPECT_EQ(counts.reports, 3) << "(origin, version) pairs";
}

TEST_P(CatalogStoreTest, ANamesAreThoseMostOriginsSentUntilAMaintainerNamesIt) {
  service::CatalogStore& store = Store();
  const auto named = [](const char* name, const char* publisher) {
    return std::vector<ReportedProgram>{{"registry:tool|vendor", name, publisher, "1.0"}};
  };
  const auto shown = [&] {
    const std::vector<ProgramQuery> query = {{"registry:tool|vendor", ""}};
    const auto facts = store.Lookup(query, 1);
    return facts[0]->program.name + " / " + facts[0]->program.publisher;
  };
  store.RecordReport(Client("Evil"), named("Tool", "Evil Inc"), kNoDailyLimit);
  EXPECT_EQ(shown(), "Tool / Evil Inc") << "the only one so far";
  store.RecordReport(Client("A"), named("Tool", "Tool Corp"), kNoDailyLimit);
  EXPECT_EQ(shown(), "Tool / Evil Inc") << "a tie goes to the earliest";
  // More clients of the first network change nothing; another network does.
  store.RecordReport({"{Evil2}", "network Evil"}, named("Tool", "Evil Inc"), kNoDailyLimit);
  store.RecordReport(Client("B"), named("Tool", "Tool Corp"), kNoDailyLimit);
  EXPECT_EQ(shown(), "Tool / Tool Corp");

  CatalogEntry entry;
  entry.program.identity = "registry:tool|vendor";
  entry.program.publisher = "Tool Corporation";
  store.Curate(std::span(&entry, 1));
  store.RecordReport(Client("C"), named("Tool", "Evil Inc"), kNoDailyLimit);
  store.RecordReport(Client("D"), named("Tool", "Evil Inc"), kNoDailyLimit);
  EXPECT_EQ(shown(), "Tool / Tool Corporation") << "a maintainer's word stands";
}

TEST_P(CatalogStoreTest, AnOriginAddsNoMoreThanItsDailyAdditions) {
  service::CatalogStore& store = Store();
  constexpr std::int64_t kDaily = 50;
  // One network sends ever new programs, as if to fill the disk.
  for (int request = 0; request < 20; ++request) {
    std::vector<ReportedProgram> flood;
    for (int i = 0; i < 100; ++i) {
      const std::string name = "flood " + std::to_string(request) + "-" + std::to_string(i);
      flood.push_back({"registry:" + name + "|", name, "", "1.0"});
    }
    store.RecordReport({"{F" + std::to_string(request) + "}", "network F"}, flood, kDaily);
  }
  auto counts = store.Counts(1);
  EXPECT_EQ(counts.programs + counts.versions, kDaily);

  // What it reports of programs the catalog holds still counts, and other networks still add.
  store.RecordReport({"{F}", "network F"}, Tool("1.0"), 1'000);
  store.RecordReport(Client("A"), Tool("1.0"), kDaily);
  store.RecordReport({"{F}", "network F"}, Tool("1.0"), kDaily);
  counts = store.Counts(2);
  EXPECT_EQ(counts.programs + counts.versions, kDaily + 2);
  EXPECT_EQ(counts.offered_versions, 1) << "1.0 of the tool, by F and A";
}

TEST_P(CatalogStoreTest, ARetractedVersionIsNeverOfferedAgain) {
  service::CatalogStore& store = Store();
  for (const char* client : {"A", "B", "C"}) {
    store.RecordReport(Client(client), Tool("9.9.9"), kNoDailyLimit);
  }
  CatalogEntry confirmed;
  confirmed.program.identity = "registry:tool|vendor";
  confirmed.versions = {{.name = "2.0", .confirmed = true}};
  store.Curate(std::span(&confirmed, 1));
  const std::vector<ProgramQuery> query = {{"registry:tool|vendor", "1.0"}};
  ASSERT_EQ(store.Lookup(query, 3)[0]->offered.size(), 2u);

  EXPECT_TRUE(store.Retract("registry:tool|vendor", "9.9.9"));
  EXPECT_TRUE(store.Retract("registry:tool|vendor", "2.0"));
  EXPECT_FALSE(store.Retract("registry:tool|vendor", "3.0"));
  EXPECT_FALSE(store.Retract("registry:other|", "9.9.9"));
  store.RecordReport(Client("D"), Tool("9.9.9"), kNoDailyLimit);
  store.Curate(std::span(&confirmed, 1));

  const auto facts = store.Lookup(query, 3);
  EXPECT_THAT(facts[0]->offered, testing::IsEmpty());
  EXPECT_EQ(store.Counts(3).offered_versions, 0);
  const auto versions = store.Export().at(0).versions;
  ASSERT_EQ(versions.size(), 2u);
  EXPECT_TRUE(versions[0].retracted && versions[1].retracted);
  EXPECT_FALSE(versions[1].confirmed);
  EXPECT_EQ(versions[0].clients, 4) << "reports are still counted";
}

TEST_P(CatalogStoreTest, ABannedOriginIsTakenBackAndABannedClientIsNoLongerHeard) {
  service::CatalogStore& store = Store();
  const std::vector<ReportedProgram> evil = {{"registry:tool|vendor", "Tool", "Evil", "9.9.9"}};
  store.RecordReport({"{E1}", "network E"}, evil, kNoDailyLimit);
  store.RecordReport({"{E2}", "network E"}, Tool("1.0"), kNoDailyLimit);
  store.RecordReport(Client("A"), Tool("1.0"), kNoDailyLimit);
  ASSERT_EQ(store.Export().at(0).program.publisher, "Evil") << "the earliest of a tie";

  EXPECT_EQ(store.BanOrigin("network E"), 3) << "the program, 9.9.9 and 1.0";
  store.RecordReport({"{E3}", "network E"}, evil, kNoDailyLimit);

  auto entry = store.Export().at(0);
  EXPECT_EQ(entry.program.clients, 1);
  EXPECT_EQ(entry.program.publisher, "Vendor");
  ASSERT_EQ(entry.versions.size(), 2u);
  EXPECT_EQ(entry.versions[0].clients, 0) << "9.9.9";
  EXPECT_EQ(entry.versions[1].clients, 1) << "1.0";

  const auto tool = store.FindProgram(service::IdentityHash("registry:tool|vendor"));
  ASSERT_TRUE(tool);
  EXPECT_TRUE(store.RecordFeedback({"{A}", tool->entry.program.id, 0, "not mine"}));
  store.BanClient("{A}");
  EXPECT_TRUE(store.RecordFeedback({"{A}", tool->entry.program.id, 0, "still not"}));
  store.RecordReport({"{A}", "network Z"}, Tool("3.0"), kNoDailyLimit);
  EXPECT_THAT(store.ListFeedback(), testing::IsEmpty());
  entry = store.Export().at(0);
  EXPECT_EQ(entry.program.clients, 1);
  EXPECT_EQ(entry.versions.size(), 2u) << "3.0 was not recorded";
}

// A check records what is new of its report and looks the programs up with it recorded; a
// report with nothing new, or from a banned client, writes nothing and is answered all the same.
TEST_P(CatalogStoreTest, ACheckSeesItsOwnReportRecordedAndWritesOnlyWhatIsNew) {
  service::CatalogStore& store = Store();
  const auto check = [&](const service::Reporter& reporter, const std::string& version) {
    const std::vector<ProgramQuery> query = {{"registry:tool|vendor", version}};
    return store.RecordAndLookup(reporter, Tool(version), kNoDailyLimit, query, 1).at(0);
  };
  struct Step {
    service::Reporter reporter;
    const char* version;
    std::int64_t program_clients;
    std::vector<std::string> offered;
    bool installed_known;
  };
  const Step steps[] = {
      {Client("A"), "1.0", 1, {"1.0"}, true},                        // a new client
      {Client("A"), "1.0", 1, {"1.0"}, true},                        // the same again
      {Client("A"), "2.0", 1, {"1.0", "2.0"}, true},                 // one new version
      {{"{A}", "network B"}, "2.0", 2, {"1.0", "2.0"}, true},        // a known client, a new origin
      {{"{C}", "network B"}, "2.0", 2, {"1.0", "2.0"}, true},        // a new client, a known origin
      {{"{BANNED}", "network D"}, "3.0", 2, {"1.0", "2.0"}, false},  // heard no more
  };
  store.BanClient("{BANNED}");
  for (const Step& step : steps) {
    SCOPED_TRACE(step.reporter.client_guid + " " + step.reporter.origin + " " + step.version);
    const auto facts = check(step.reporter, step.version);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->program.clients, step.program_clients);
    std::vector<std::string> offered;
    for (const auto& version : facts->offered) offered.push_back(version.name);
    EXPECT_EQ(offered, step.offered);
    EXPECT_EQ(facts->installed_version_id != 0, step.installed_known);
  }
  EXPECT_EQ(store.Counts(1).clients, 3) << "A, C and the banned one";
  EXPECT_EQ(store.Counts(1).reports, 3) << "1.0 and 2.0 from network A, 2.0 from network B";

  // A report of a program the check does not ask about is recorded too.
  const std::vector<ProgramQuery> other = {{"registry:other|", ""}};
  EXPECT_FALSE(store.RecordAndLookup(Client("A"), Tool("4.0"), kNoDailyLimit, other, 1).at(0));
  EXPECT_EQ(store.Counts(1).reports, 4);
}

TEST_P(CatalogStoreTest, PruningRemovesWhatNeverBecameKnownWithItsFeedback) {
  service::CatalogStore& store = Store();
  const auto program = [](const char* name, const char* version) {
    return std::vector<ReportedProgram>{{std::string("registry:") + name + "|", name, "", version}};
  };
  store.RecordReport(Client("A"), program("lonely", "1.0"), kNoDailyLimit);
  for (const char* client : {"A", "B"}) {
    store.RecordReport(Client(client), program("shared", "2.0"), kNoDailyLimit);
  }
  store.RecordReport(Client("C"), program("shared", "2.1-only-here"), kNoDailyLimit);
  CatalogEntry added;
  added.program.identity = "registry:added|";
  added.program.added = true;
  added.versions = {{.name = "5.0", .confirmed = true}, {.name = "5.1"}};
  store.Curate(std::span(&added, 1));
  const auto lonely = store.FindProgram(service::IdentityHash("registry:lonely|"));
  ASSERT_TRUE(lonely);
  EXPECT_TRUE(store.RecordFeedback({"{B}", lonely->entry.program.id, 0, "what is this"}));

  const auto nothing = store.Prune(1, 2);
  EXPECT_EQ(nothing.programs, 0) << "all of it is from today";
  EXPECT_EQ(nothing.versions, 0);

  const auto pruned = store.Prune(0, 2);
  EXPECT_EQ(pruned.programs, 1) << "lonely";
  EXPECT_EQ(pruned.versions, 3) << "lonely 1.0, shared 2.1-only-here, added 5.1";
  std::vector<std::string> kept;
  for (const CatalogEntry& entry : store.Export()) {
    for (const auto& version : entry.versions) {
      kept.push_back(entry.program.identity + " " + version.name);
    }
  }
  EXPECT_THAT(kept, ElementsAre("registry:added| 5.0", "registry:shared| 2.0"));
  EXPECT_THAT(store.ListFeedback(), testing::IsEmpty());
  store.RecordReport(Client("A"), program("lonely", "1.0"), kNoDailyLimit);
  EXPECT_EQ(store.Counts(1).programs, 3) << "a pruned program may come again";
}

TEST_P(CatalogStoreTest, LongIdentitiesAndVersionNamesAreKeptWhole) {
  service::CatalogStore& store = Store();
  // Far beyond what an index entry of PostgreSQL holds (some 2,700 bytes).
  const std::string identity = "registry:" + std::string(8000, 'x') + "|";
  const std::string version = std::string(6000, '7');
  const std::vector<ReportedProgram> report = {{identity, "Long", "", version}};
  for (const char* client : {"A", "B"}) store.RecordReport(Client(client), report, kNoDailyLimit);

  const std::vector<ProgramQuery> query = {{identity, version}};
  const auto facts = store.Lookup(query, 2);
  ASSERT_TRUE(facts[0]);
  EXPECT_EQ(facts[0]->program.identity, identity);
  ASSERT_EQ(facts[0]->offered.size(), 1u);
  EXPECT_EQ(facts[0]->offered[0].name, version);
  EXPECT_EQ(facts[0]->offered[0].clients, 2);
  EXPECT_TRUE(store.Retract(identity, version));
}

TEST_P(CatalogStoreTest, EachCatalogHasASecretOfItsOwnAndIsWritable) {
  TempDir other_dir;
  const auto other = service::OpenCatalogStore(NewCatalogDatabase(GetParam(), other_dir));
  const std::string secret = Store().OriginSecret();
  EXPECT_THAT(secret, testing::MatchesRegex("[0-9a-f]{64}"));
  EXPECT_EQ(Store().OriginSecret(), secret) << "kept";
  EXPECT_NE(other->OriginSecret(), secret);
  EXPECT_TRUE(Store().Writable());
}

INSTANTIATE_TEST_SUITE_P(Engines, CatalogStoreTest, testing::ValuesIn(kCatalogEngines),
                         [](const auto& info) { return EngineName(info.param); });

void Sql(const std::string& uri, const char* sql) {
  PGconn* connection = PQconnectdb(uri.c_str());
  PGresult* result = PQexec(connection, sql);
  EXPECT_THAT(PQresultStatus(result), testing::AnyOf(PGRES_COMMAND_OK, PGRES_TUPLES_OK))
      << PQerrorMessage(connection);
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

TEST(PostgresCatalogStoreTest, ARestartedServerFailsNoRequestOfPooledConnections) {
  PostgresCluster& cluster = SharedPostgresCluster();
  service::PostgresCatalogStore store(cluster.NewDatabase());
  // Four connections at once, all kept in the pool afterwards.
  std::vector<std::thread> threads;
  for (int client = 0; client < 4; ++client) {
    threads.emplace_back([&store, client] {
      store.RecordReport(Client(std::to_string(client)), Tool("1.0"), kNoDailyLimit);
    });
  }
  for (std::thread& thread : threads) thread.join();

  cluster.Stop();
  cluster.Start();

  for (int client = 4; client < 8; ++client) {
    EXPECT_NO_THROW(store.RecordReport(Client(std::to_string(client)), Tool("1.0"), kNoDailyLimit));
  }
  EXPECT_NO_THROW(store.Ping());
  EXPECT_EQ(store.Counts(1).reports, 8);
}

TEST(PostgresCatalogStoreTest, ADatabaseThatRefusesWritesIsNotWritable) {
  const std::string uri = SharedPostgresCluster().NewDatabase();
  service::PostgresCatalogStore store(uri);
  ASSERT_TRUE(store.Writable());
  const std::size_t name = uri.find("@/") + 2;
  const std::string database = uri.substr(name, uri.find('?') - name);
  // Its connections from now on refuse writes; those open now are ended.
  Sql(uri, ("ALTER DATABASE " + database + " SET default_transaction_read_only = on").c_str());
  Sql(uri, ("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE datname = '" +
            database + "' AND pid <> pg_backend_pid()")
               .c_str());

  EXPECT_FALSE(store.Writable());
  EXPECT_NO_THROW(store.Ping()) << "it answers, but does not write";
}

}  // namespace
}  // namespace lintrove::test
