#include "http/peer_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

namespace lintrove::service {
namespace {

std::string Ipv4Text(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

std::string Ipv6Text(const in6_addr& address) {
  if (IN6_IS_ADDR_V4MAPPED(&address)) {
    in_addr v4{};
    std::memcpy(&v4, address.s6_addr + 12, sizeof v4);
    return Ipv4Text(v4);
  }
  char text[INET6_ADDRSTRLEN] = {};
  inet_ntop(AF_INET6, &address, text, sizeof text);
  return text;
}

}  // namespace

std::string PeerAddress(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    return Ipv4Text(reinterpret_cast<const sockaddr_in&>(address).sin_addr);
  }
  if (address.ss_family == AF_INET6) {
    return Ipv6Text(reinterpret_cast<const sockaddr_in6&>(address).sin6_addr);
  }
  return {};
}

int PeerPort(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  }
  if (address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  }
  return 0;
}

std::optional<std::string> CanonicalAddress(std::string_view text) {
  const std::string address(text);
  in_addr v4{};
  if (inet_pton(AF_INET, address.c_str(), &v4) == 1) return Ipv4Text(v4);
  in6_addr v6{};
  if (inet_pton(AF_INET6, address.c_str(), &v6) == 1) return Ipv6Text(v6);
  return std::nullopt;
}

}  // namespace lintrove::service
