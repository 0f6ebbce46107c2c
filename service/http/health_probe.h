#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "catalog/catalog_store.h"

namespace lintrove::service {

// Whether the service can do its work: the database answers and takes a trial write within a
// deadline, and the catalog took the reports of late. The database is asked on a thread of the
// probe's own, so that a database that hangs makes the answer late by the deadline only, and never
// more than one question waits for it.
class HealthProbe {
 public:
  struct Finding {
    bool healthy = true;
    std::string reason;  // short, for whoever asked
    std::string detail;  // the database's own words, for the log
  };

  // A failed write counts for this long after it happened.
  static constexpr std::chrono::seconds kWriteFailureMemory{30};

  HealthProbe(CatalogStore& store, std::chrono::milliseconds deadline);
  ~HealthProbe();
  HealthProbe(const HealthProbe&) = delete;
  HealthProbe& operator=(const HealthProbe&) = delete;

  Finding Check();
  // A report the catalog could not record.
  void WriteFailed(std::string detail);

 private:
  using Clock = std::chrono::steady_clock;
  void AskDatabase();

  CatalogStore& store_;
  const std::chrono::milliseconds deadline_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool asked_ = false;
  bool finished_ = false;
  std::uint64_t answers_ = 0;
  std::string failure_;   // of the last answer
  bool writable_ = true;  // by the last answer
  std::optional<Clock::time_point> write_failed_at_;
  std::string write_failure_;
  std::thread asker_;
};

}  // namespace lintrove::service
