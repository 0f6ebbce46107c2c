#include "http/request_origin.h"

#include <optional>

#include "http/peer_address.h"

namespace lintrove::service {

std::string RequestOrigin(std::string_view peer, std::span<const std::string> forwarded_for,
                          const std::set<std::string>& trusted_proxies) {
  const std::string canonical_peer = CanonicalAddress(peer).value_or(std::string(peer));
  if (!trusted_proxies.contains(canonical_peer) || forwarded_for.empty()) return canonical_peer;
  std::string_view last = forwarded_for.back();
  if (const std::size_t comma = last.rfind(','); comma != std::string_view::npos) {
    last.remove_prefix(comma + 1);
  }
  while (!last.empty() && (last.front() == ' ' || last.front() == '\t')) last.remove_prefix(1);
  while (!last.empty() && (last.back() == ' ' || last.back() == '\t')) last.remove_suffix(1);
  // A proxy that wrote no address it could have seen is taken for itself.
  return CanonicalAddress(last).value_or(canonical_peer);
}

}  // namespace lintrove::service
