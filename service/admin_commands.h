#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

#include "catalog_store.h"

namespace lintrove::service {

// Runs an administration command on the catalog: "catalog export FILE|-", "catalog import
// FILE", "catalog confirm IDENTITY [VERSION...]", "catalog learn REQUEST...", "reports list" or
// "stats". Returns the exit code; wrong
// arguments raise UsageError, failures Error.
int RunAdminCommand(std::span<const std::string> command, CatalogStore& store,
                    std::int64_t threshold, std::ostream& out);

}  // namespace lintrove::service
