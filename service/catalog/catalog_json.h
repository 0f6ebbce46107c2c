#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog_store.h"

namespace lintrove::service {

// The catalog as JSON (docs/service.md): every program with its names, home page, whether a
// maintainer added it, how many clients reported it, and its versions with their counts and
// confirmations. Client identities are not part of it.
std::string CatalogToJson(const std::vector<CatalogEntry>& entries);

// Reads a catalog file for Curate. The counts in it are ignored: they are the reports'. A
// program without an identity of the catalog's shape, a version without a name, a home page
// that is no http or https address, a text longer than the catalog keeps, or an unknown member
// raises an error naming the place. `retracted` marks are applied; see Curate.
std::vector<CatalogEntry> CatalogFromJson(std::string_view text);

// A maintainer's texts fit the catalog: raises Error for one longer than TextLimits allows.
void CheckTextLengths(const CatalogEntry& entry);

// A maintainer's identity must have the shape the rules give ("registry:…", "installer:…").
bool IsCatalogIdentity(std::string_view identity);
// Only addresses a browser opens as a page are passed on to clients as home pages.
bool IsWebAddress(std::string_view address);

}  // namespace lintrove::service
