// The driver seam the catalog's store is written against: each engine's driver answers the same
// SQL alike.
#include "storage/sql_connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"
#include "catalog_engine.h"
#include "postgres_cluster.h"
#include "storage/postgres_connection.h"
#include "storage/sqlite_connection.h"
#include "support/temp_dir.h"

namespace lintrove::test {
namespace {

class SqlConnectionTest : public testing::TestWithParam<CatalogEngine> {
 protected:
  service::SqlConnection& Db() { return *db_; }

 private:
  std::unique_ptr<service::SqlConnection> Open() {
    if (GetParam() == CatalogEngine::Sqlite) {
      return std::make_unique<service::SqliteConnection>(dir_ / "test.db");
    }
    return std::make_unique<service::PostgresConnection>(SharedPostgresCluster().NewDatabase());
  }

  TempDir dir_;
  std::unique_ptr<service::SqlConnection> db_ = Open();
};

TEST_P(SqlConnectionTest, ParametersAreNumberedOrTakenInTurnAndNeverReadInsideQuotes) {
  struct Case {
    const char* sql;
    const char* expected;
  };
  const Case cases[] = {
      {"SELECT CAST(?2 AS TEXT) || CAST(?1 AS TEXT) || CAST(?2 AS TEXT)", "bab"},
      {"SELECT CAST(? AS TEXT) || CAST(? AS TEXT)", "ab"},
      {"SELECT '?' || CAST(?1 AS TEXT) || '?3' || CAST(?2 AS TEXT)", "?a?3b"},
      {"SELECT \"x?\" || CAST(?1 AS TEXT) FROM (SELECT CAST(?2 AS TEXT) AS \"x?\") t", "ba"},
  };
  for (const Case& c : cases) {
    service::SqlStatement& statement = Db().Prepare(c.sql);
    ASSERT_TRUE(statement.Bind(std::string("a"), std::string("b")).Step()) << c.sql;
    EXPECT_EQ(statement.Text(0), c.expected) << c.sql;
    EXPECT_FALSE(statement.Step()) << c.sql;
  }
}

TEST_P(SqlConnectionTest, ATransactionCommitsOrRollsBackAndCountsTheRowsItChanged) {
  Db().Execute("CREATE TABLE t (id INTEGER PRIMARY KEY, flag BOOLEAN NOT NULL)");
  service::SqlStatement& insert =
      Db().Prepare("INSERT INTO t (id, flag) VALUES (?, ?) ON CONFLICT DO NOTHING");
  Db().Begin(service::TransactionKind::Writing);
  insert.Bind(std::int64_t{1}, true).Run();
  EXPECT_EQ(insert.Changes(), 1);
  insert.Bind(std::int64_t{1}, false).Run();
  EXPECT_EQ(insert.Changes(), 0) << "the row was there";
  Db().Execute("COMMIT");
  Db().Begin(service::TransactionKind::Recording);
  insert.Bind(std::int64_t{2}, false).Run();
  Db().Execute("ROLLBACK");

  service::SqlStatement& rows = Db().Prepare("SELECT id, flag, NULL FROM t ORDER BY id");
  std::vector<std::pair<std::int64_t, bool>> found;
  for (rows.Bind(); rows.Step();) {
    EXPECT_TRUE(rows.IsNull(2));
    found.emplace_back(rows.Integer(0), rows.Boolean(1));
  }
  EXPECT_EQ(found, (std::vector<std::pair<std::int64_t, bool>>{{1, true}}));
}

TEST_P(SqlConnectionTest, AFailedStatementIsAnErrorNamingTheDatabasesWords) {
  EXPECT_THAT([&] { Db().Prepare("SELECT * FROM no_such_table").Run(); },
              testing::ThrowsMessage<Error>(testing::HasSubstr("no_such_table")));
  // The connection goes on serving.
  service::SqlStatement& one = Db().Prepare("SELECT 1");
  ASSERT_TRUE(one.Bind().Step());
  EXPECT_EQ(one.Integer(0), 1);
  one.Reset();
}

INSTANTIATE_TEST_SUITE_P(Engines, SqlConnectionTest, testing::ValuesIn(kCatalogEngines),
                         [](const auto& info) { return EngineName(info.param); });

}  // namespace
}  // namespace lintrove::test
