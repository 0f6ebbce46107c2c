#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace lintrove::service {

// At most `requests` requests per origin in any `window`, as a bucket that fills again
// steadily: a client's check (three requests) never waits, one origin's flood is cut to the
// rate. Zero requests: no limit.
class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  RateLimiter(int requests, std::chrono::seconds window);

  // Whether a request from `origin` at `now` is within the limit; it counts if it is.
  bool Admit(std::string_view origin, Clock::time_point now = Clock::now());

  // How long the origin has to wait for its next request, rounded up to seconds.
  std::chrono::seconds RetryAfter() const;

 private:
  struct Bucket {
    double tokens;
    Clock::time_point filled;
  };

  void ForgetFullBuckets(Clock::time_point now);

  const double capacity_;
  const double per_second_;
  std::mutex mutex_;
  std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace lintrove::service
