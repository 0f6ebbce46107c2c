#pragma once

#include <sys/socket.h>

#include <optional>
#include <string>
#include <string_view>

namespace lintrove::service {

// A socket address's host as text: "192.0.2.7", "2001:db8::1". An IPv4 address reached over
// an IPv6 socket ("::ffff:192.0.2.7") is written as the IPv4 address it is.
std::string PeerAddress(const sockaddr_storage& address);
int PeerPort(const sockaddr_storage& address);

// The same spelling for an address given as text; none when the text is no IP address.
std::optional<std::string> CanonicalAddress(std::string_view text);

}  // namespace lintrove::service
