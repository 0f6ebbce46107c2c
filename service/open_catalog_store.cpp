#include "open_catalog_store.h"

#include "sqlite_catalog_store.h"

namespace lintrove::service {

std::unique_ptr<CatalogStore> OpenCatalogStore(const std::string& database) {
  return std::make_unique<SqliteCatalogStore>(database);
}

}  // namespace lintrove::service
