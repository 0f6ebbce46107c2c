#pragma once

#include <filesystem>
#include <string>

namespace lintrove::service {

// The SHA-256 of a file's bytes in 64 small hexadecimal digits; raises when it cannot be read.
std::string FileSha256(const std::filesystem::path& file);

}  // namespace lintrove::service
