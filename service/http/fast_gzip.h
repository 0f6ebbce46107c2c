#pragma once

#include <string>
#include <string_view>

namespace lintrove::service {

// `data` in the gzip format, compressed for speed rather than size: a step1 answer is some
// 100 KB of repetitive XML, which the fastest level still shrinks tenfold, at a fraction of
// the CPU time of zlib's default level.
std::string FastGzip(std::string_view data);

// Whether an Accept-Encoding header admits gzip, by the same rule as the HTTP library's own
// compression.
bool AcceptsGzip(std::string_view accept_encoding);

}  // namespace lintrove::service
