#include "admin/catalog_pruner.h"

#include <chrono>
#include <exception>
#include <string>

namespace lintrove::service {

CatalogPruner::CatalogPruner(CatalogStore& store, ServiceLog& log, std::int64_t age_days,
                             std::int64_t min_clients)
    : store_(store), log_(log), age_days_(age_days), min_clients_(min_clients) {
  thread_ = std::thread([this] {
    std::unique_lock lock(mutex_);
    do {
      lock.unlock();
      PruneOnce();
      lock.lock();
    } while (!stop_.wait_for(lock, std::chrono::hours(1), [this] { return stopping_; }));
  });
}

CatalogPruner::~CatalogPruner() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_all();
  thread_.join();
}

void CatalogPruner::PruneOnce() {
  try {
    const PruneCounts pruned = store_.Prune(age_days_, min_clients_);
    if (pruned.programs > 0 || pruned.versions > 0) {
      log_.Write(LogLevel::Info, "pruned " + std::to_string(pruned.programs) + " programs and " +
                                     std::to_string(pruned.versions) + " versions");
    }
  } catch (const std::exception& error) {
    log_.Write(LogLevel::Error, std::string("pruning the catalog failed: ") + error.what());
  }
}

}  // namespace lintrove::service
