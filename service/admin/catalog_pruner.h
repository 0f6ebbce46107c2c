#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "catalog/catalog_store.h"
#include "http/service_log.h"

namespace lintrove::service {

// Prunes the catalog (CatalogStore::Prune) at once and then every hour, on a thread of its
// own, until it is destroyed. What it removed, or why it could not, goes to the log.
class CatalogPruner {
 public:
  CatalogPruner(CatalogStore& store, ServiceLog& log, std::int64_t age_days,
                std::int64_t min_clients);
  ~CatalogPruner();
  CatalogPruner(const CatalogPruner&) = delete;
  CatalogPruner& operator=(const CatalogPruner&) = delete;

 private:
  void PruneOnce();

  CatalogStore& store_;
  ServiceLog& log_;
  std::int64_t age_days_;
  std::int64_t min_clients_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace lintrove::service
