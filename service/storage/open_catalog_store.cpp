#include "storage/open_catalog_store.h"

#include "storage/postgres_catalog_store.h"
#include "storage/sqlite_catalog_store.h"

namespace lintrove::service {

std::unique_ptr<CatalogStore> OpenCatalogStore(const std::string& database) {
  if (database.starts_with("postgresql://") || database.starts_with("postgres://")) {
    return std::make_unique<PostgresCatalogStore>(database);
  }
  return std::make_unique<SqliteCatalogStore>(database);
}

}  // namespace lintrove::service
