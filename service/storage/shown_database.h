#pragma once

#include <string>
#include <string_view>

namespace lintrove::service {

// The --database value as the log may show it: a password in a connection URI, in its user
// part or as a parameter, is replaced by "***".
std::string ShownDatabase(std::string_view database);

}  // namespace lintrove::service
