#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace lintrove::service {

// Connections to a database, each used by one thread at a time and kept for the next call
// when it is done. A connection that was found broken is dropped instead of kept.
template <typename Connection>
class ConnectionPool {
 public:
  class Lease;

  explicit ConnectionPool(std::function<std::unique_ptr<Connection>()> open)
      : open_(std::move(open)) {}

 private:
  std::function<std::unique_ptr<Connection>()> open_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Connection>> idle_;
};

template <typename Connection>
class ConnectionPool<Connection>::Lease {
 public:
  // An idle connection, or a new one; `fresh`: always a new one.
  explicit Lease(ConnectionPool& pool, bool fresh = false) : pool_(pool) {
    if (!fresh) {
      std::lock_guard lock(pool_.mutex_);
      if (!pool_.idle_.empty()) {
        connection_ = std::move(pool_.idle_.back());
        pool_.idle_.pop_back();
        reused_ = true;
      }
    }
    if (!connection_) connection_ = pool_.open_();
  }
  ~Lease() {
    if (!connection_->Usable()) return;
    std::lock_guard lock(pool_.mutex_);
    pool_.idle_.push_back(std::move(connection_));
  }
  Lease(const Lease&) = delete;
  Lease& operator=(const Lease&) = delete;

  Connection& operator*() const { return *connection_; }

  // Whether the connection waited in the pool: the server may have dropped it meanwhile.
  bool Reused() const { return reused_; }

 private:
  ConnectionPool& pool_;
  std::unique_ptr<Connection> connection_;
  bool reused_ = false;
};

}  // namespace lintrove::service
