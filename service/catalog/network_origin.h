#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lintrove::service {

// The network a request came from, as the catalog's learning counts it: the /24 of an IPv4
// address, the /48 of an IPv6 one ("203.0.113.0/24", "2001:db8:1::/48"). Machines of one home
// or office share it, so that GUIDs made up on one machine count as one reporter. An IPv4
// address written as IPv6 (::ffff:203.0.113.7) is the IPv4 one. A prefix ("203.0.113.0/24")
// names its own network. None for a text that is no address.
std::optional<std::string> NetworkOf(std::string_view address);

// The key under which the catalog keeps a network: an HMAC-SHA-256 of its text under the
// service's secret, 64 small hexadecimal digits. Without the secret the key does not lead back
// to the network.
std::string OriginKey(std::string_view secret, std::string_view network);

// A new random secret for OriginKey, 64 small hexadecimal digits.
std::string NewOriginSecret();

}  // namespace lintrove::service
