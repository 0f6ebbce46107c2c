#pragma once

#include <span>
#include <string>
#include <string_view>

#include "catalog/catalog.h"
#include "catalog/release.h"

namespace lintrove::service {

// The answers, as whole XML documents in UTF-8.
std::string NoopAnswer();
std::string UpdatecheckAnswer(const Release& release);
std::string Step1Answer(std::span<const Verdict> verdicts);
// A refused request. Its root is not "dorvupdater", so that a client never takes it for an
// answer that judges nothing.
std::string ErrorAnswer(int http_status, std::string_view message);

}  // namespace lintrove::service
