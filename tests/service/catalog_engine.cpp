#include "catalog_engine.h"

#include "postgres_cluster.h"

namespace lintrove::test {

std::string EngineName(CatalogEngine engine) {
  return engine == CatalogEngine::Sqlite ? "Sqlite" : "Postgres";
}

std::string NewCatalogDatabase(CatalogEngine engine, const TempDir& dir) {
  if (engine == CatalogEngine::Postgres) return SharedPostgresCluster().NewDatabase();
  return (dir / "catalog.db").string();
}

}  // namespace lintrove::test
