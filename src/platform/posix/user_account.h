#pragma once

#include <filesystem>
#include <string>

namespace lintrove::platform {

// The user's home directory: $HOME, else the account's; throws lintrove::Error when neither is
// known.
std::filesystem::path HomeDirectory();

// The account's name, empty when the system does not know the account.
std::string LoginName();

}  // namespace lintrove::platform
