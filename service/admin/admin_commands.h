#pragma once

#include <ostream>
#include <span>
#include <string>

#include "admin/service_options.h"
#include "catalog/catalog_store.h"

namespace lintrove::service {

// Runs an administration command on the catalog: "catalog export FILE|-", "catalog import
// FILE", "catalog confirm IDENTITY [VERSION...]", "catalog retract IDENTITY VERSION", "catalog
// learn REQUEST...", "catalog prune", "ban client GUID", "ban origin ADDRESS|PREFIX", "reports
// list" or "stats", with the options' threshold, limits and dry run. Returns the exit code;
// wrong arguments raise UsageError, failures Error.
int RunAdminCommand(std::span<const std::string> command, CatalogStore& store,
                    const ServiceOptions& options, std::ostream& out);

}  // namespace lintrove::service
