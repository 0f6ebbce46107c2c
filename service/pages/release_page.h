#pragma once

#include <string>

#include "catalog/release.h"
#include "pages/page_texts.h"

namespace lintrove::service {

// The information page of the release the service announces: its version, the operator's
// notes and, when the service serves the setup, a link to it with its size and SHA-256.
std::string ReleaseInfoPage(const Release& release, PageLanguage language);

}  // namespace lintrove::service
