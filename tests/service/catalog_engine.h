#pragma once

#include <memory>
#include <string>

#include "catalog/catalog_store.h"
#include "support/temp_dir.h"

namespace lintrove::test {

// The database engines the service runs on; its tests run on each.
enum class CatalogEngine { Sqlite, Postgres };

inline constexpr CatalogEngine kCatalogEngines[] = {CatalogEngine::Sqlite, CatalogEngine::Postgres};

// "Sqlite", "Postgres": for the names of parametrized tests.
std::string EngineName(CatalogEngine engine);

// A new, empty catalog's --database value: a file in `dir`, or a new database of the tests'
// PostgreSQL cluster.
std::string NewCatalogDatabase(CatalogEngine engine, const TempDir& dir);

}  // namespace lintrove::test
