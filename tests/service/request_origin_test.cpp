// Whom a request is counted for: the peer, or the client a proxy of the operator's names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/request_origin.h"

namespace lintrove::service {
namespace {

TEST(RequestOriginTest, OnlyATrustedProxyNamesTheOrigin) {
  const std::set<std::string> proxies = {"10.0.0.5", "2001:db8::5"};
  const struct {
    const char* what;
    const char* peer;
    std::vector<std::string> forwarded_for;
    const char* origin;
  } cases[] = {
      {"a direct client", "198.51.100.7", {}, "198.51.100.7"},
      {"a direct client that claims another address",
       "198.51.100.7",
       {"203.0.113.9"},
       "198.51.100.7"},
      {"through the proxy", "10.0.0.5", {"203.0.113.9"}, "203.0.113.9"},
      {"a list written partly by the client: the proxy's last entry counts",
       "10.0.0.5",
       {"1.1.1.1, 203.0.113.9"},
       "203.0.113.9"},
      {"two headers: the last one is the proxy's",
       "10.0.0.5",
       {"1.1.1.1", "203.0.113.9"},
       "203.0.113.9"},
      {"blanks around the address", "10.0.0.5", {" 1.1.1.1 ,\t203.0.113.9 "}, "203.0.113.9"},
      {"the proxy without the header", "10.0.0.5", {}, "10.0.0.5"},
      {"the proxy naming no address", "10.0.0.5", {"unknown"}, "10.0.0.5"},
      {"the proxy over IPv6", "2001:db8:0:0::5", {"2001:db8::77"}, "2001:db8::77"},
      {"an IPv4 peer on an IPv6 socket", "::ffff:10.0.0.5", {"203.0.113.9"}, "203.0.113.9"},
      {"an address written longer than it must be",
       "10.0.0.5",
       {"2001:0db8:0000::0077"},
       "2001:db8::77"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RequestOrigin(c.peer, c.forwarded_for, proxies), c.origin);
  }
}

}  // namespace
}  // namespace lintrove::service
