#pragma once

#include <filesystem>

#include "storage/sql_catalog_store.h"

namespace lintrove::service {

// The catalog in one SQLite file, written ahead (WAL) so that readers never wait for the
// writer. Opening creates the file and brings its schema to the current version.
class SqliteCatalogStore : public SqlCatalogStore {
 public:
  explicit SqliteCatalogStore(const std::filesystem::path& file);
};

}  // namespace lintrove::service
