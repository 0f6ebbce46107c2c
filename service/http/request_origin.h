#pragma once

#include <set>
#include <span>
#include <string>
#include <string_view>

namespace lintrove::service {

// Where a request comes from on the network: the peer's address, unless the peer is one of the
// operator's own proxies, which say in X-Forwarded-For whom they forward. Only the last address
// of that list is the proxy's own word; whatever stands before it the client may have written.
// `forwarded_for` holds the header's values in the order received.
std::string RequestOrigin(std::string_view peer, std::span<const std::string> forwarded_for,
                          const std::set<std::string>& trusted_proxies);

}  // namespace lintrove::service
