// How the catalog tells networks apart and keeps them.
#include "catalog/network_origin.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace lintrove::test {
namespace {

using service::NetworkOf;
using service::OriginKey;

TEST(NetworkOriginTest, AnAddressStandsForItsSlash24OrSlash48) {
  const struct {
    const char* address;
    std::optional<std::string> network;
  } cases[] = {
      {"203.0.113.7", "203.0.113.0/24"},
      {"203.0.113.255", "203.0.113.0/24"},
      {"203.0.114.7", "203.0.114.0/24"},
      {"2001:db8:1:2:3:4:5:6", "2001:db8:1::/48"},
      {"2001:db8:1:ffff::1", "2001:db8:1::/48"},
      {"2001:db8:2::1", "2001:db8:2::/48"},
      {"::ffff:203.0.113.7", "203.0.113.0/24"},  // IPv4 written as IPv6
      {"::1", "::/48"},
      {"203.0.113.0/24", "203.0.113.0/24"},
      {"203.0.113.9/32", "203.0.113.0/24"},  // the address part names the network
      {"2001:db8:1::/48", "2001:db8:1::/48"},
      {"", std::nullopt},
      {"localhost", std::nullopt},
      {"203.0.113", std::nullopt},
      {"203.0.113.7 ", std::nullopt},
      {"report of {A}", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(NetworkOf(c.address), c.network);
  }
}

TEST(NetworkOriginTest, AKeyHidesTheNetworkAndDependsOnTheSecret) {
  const std::string secret = service::NewOriginSecret();
  EXPECT_THAT(secret, testing::MatchesRegex("[0-9a-f]{64}"));
  EXPECT_NE(secret, service::NewOriginSecret());

  const std::string key = OriginKey(secret, "203.0.113.0/24");
  EXPECT_THAT(key, testing::MatchesRegex("[0-9a-f]{64}"));
  EXPECT_EQ(key, OriginKey(secret, "203.0.113.0/24"));
  EXPECT_NE(key, OriginKey(secret, "203.0.114.0/24"));
  EXPECT_NE(key, OriginKey(service::NewOriginSecret(), "203.0.113.0/24"));
  // HMAC-SHA-256 of RFC 4231's first test case.
  EXPECT_EQ(OriginKey(std::string(20, '\x0b'), "Hi There"),
            "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
}

}  // namespace
}  // namespace lintrove::test
