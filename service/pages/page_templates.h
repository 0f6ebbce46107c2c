#pragma once

#include <map>
#include <string>

namespace lintrove::service {

// The page templates of service/templates, by file name without ".mustache"; they are also
// each other's partials ({{> style}}).
const std::map<std::string, std::string>& PageTemplates();

}  // namespace lintrove::service
