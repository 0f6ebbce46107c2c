#pragma once

#include <memory>
#include <string>

#include "catalog/catalog_store.h"

namespace lintrove::service {

// The catalog that `database` names, opened and brought to the current schema: a PostgreSQL
// database by its connection URI (postgresql://…), or else a SQLite file by its path.
std::unique_ptr<CatalogStore> OpenCatalogStore(const std::string& database);

}  // namespace lintrove::service
