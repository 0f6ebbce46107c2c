#include "http/rate_limiter.h"

#include <algorithm>
#include <cmath>

namespace lintrove::service {
namespace {

// Past this many origins, those whose bucket is full again are forgotten: they are the same as
// origins never seen.
constexpr std::size_t kOriginsKept = 10'000;

}  // namespace

RateLimiter::RateLimiter(int requests, std::chrono::seconds window)
    : capacity_(requests),
      per_second_(window.count() > 0 ? static_cast<double>(requests) / window.count() : 0) {}

bool RateLimiter::Admit(std::string_view origin, Clock::time_point now) {
  if (capacity_ <= 0) return true;
  std::lock_guard lock(mutex_);
  if (buckets_.size() >= kOriginsKept) ForgetFullBuckets(now);
  auto [found, added] = buckets_.try_emplace(std::string(origin), Bucket{capacity_, now});
  Bucket& bucket = found->second;
  const double elapsed = std::chrono::duration<double>(now - bucket.filled).count();
  bucket.tokens = std::min(capacity_, bucket.tokens + std::max(0.0, elapsed) * per_second_);
  bucket.filled = std::max(bucket.filled, now);
  if (bucket.tokens < 1) return false;
  bucket.tokens -= 1;
  return true;
}

std::chrono::seconds RateLimiter::RetryAfter() const {
  if (per_second_ <= 0) return std::chrono::seconds(1);
  return std::chrono::seconds(static_cast<std::int64_t>(std::ceil(1 / per_second_)));
}

void RateLimiter::ForgetFullBuckets(Clock::time_point now) {
  std::erase_if(buckets_, [&](const auto& entry) {
    const double elapsed = std::chrono::duration<double>(now - entry.second.filled).count();
    return entry.second.tokens + elapsed * per_second_ >= capacity_;
  });
}

}  // namespace lintrove::service
