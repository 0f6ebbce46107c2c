// Requests per origin in a window, refilled steadily.
#include <gtest/gtest.h>

#include <string>

#include "http/rate_limiter.h"

namespace lintrove::service {
namespace {

using std::chrono::seconds;

TEST(RateLimiterTest, EachOriginHasItsOwnAllowanceThatRefillsOverTheWindow) {
  RateLimiter limiter(3, seconds(60));
  const RateLimiter::Clock::time_point start{};
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(limiter.Admit("192.0.2.1", start)) << i;
  EXPECT_FALSE(limiter.Admit("192.0.2.1", start));
  EXPECT_TRUE(limiter.Admit("192.0.2.2", start)) << "another origin is not held back";
  // One request's worth comes back every 20 s, never more than the allowance.
  EXPECT_FALSE(limiter.Admit("192.0.2.1", start + seconds(19)));
  EXPECT_TRUE(limiter.Admit("192.0.2.1", start + seconds(21)));
  EXPECT_FALSE(limiter.Admit("192.0.2.1", start + seconds(22)));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(limiter.Admit("192.0.2.1", start + seconds(3600)));
  EXPECT_FALSE(limiter.Admit("192.0.2.1", start + seconds(3600)));
  EXPECT_EQ(limiter.RetryAfter(), seconds(20));
}

TEST(RateLimiterTest, NoLimitAdmitsEverything) {
  RateLimiter limiter(0, seconds(60));
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(limiter.Admit("192.0.2.1"));
}

TEST(RateLimiterTest, ForgettingOriginsKeepsTheOnesStillHeldBack) {
  RateLimiter limiter(2, seconds(60));
  const RateLimiter::Clock::time_point start{};
  ASSERT_TRUE(limiter.Admit("192.0.2.1", start));
  ASSERT_TRUE(limiter.Admit("192.0.2.1", start));
  // Enough other origins to make the limiter forget those whose allowance is whole again.
  for (int i = 0; i < 20'000; ++i) limiter.Admit("origin " + std::to_string(i), start);
  EXPECT_FALSE(limiter.Admit("192.0.2.1", start + seconds(1)));
}

}  // namespace
}  // namespace lintrove::service
