#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "http/connection_limits.h"

namespace httplib {
class Stream;
}  // namespace httplib

namespace lintrove::service {

// Between the accepted sockets and the workers that answer requests. One thread waits on every
// connection at once and gathers each request whole, head and body, within its deadline; only a
// request that has fully arrived is handed to a worker, so that slow or idle clients cannot
// hold the workers. The health check has a worker of its own.
class ConnectionGate {
 public:
  // Answers the one request the stream holds; false ends the connection.
  using Answer =
      std::function<bool(httplib::Stream& stream, bool close_connection, bool& connection_closed)>;
  // A request the gate refused itself, for the log.
  using Refused = std::function<void(int status, std::string_view reason)>;

  ConnectionGate(ConnectionLimits limits, std::set<std::string> unlimited_peers, Answer answer,
                 Refused refused);
  ~ConnectionGate();
  ConnectionGate(const ConnectionGate&) = delete;
  ConnectionGate& operator=(const ConnectionGate&) = delete;

  // Takes over an accepted socket, which the gate closes in the end.
  void Admit(int socket);

  // Takes no more connections or requests, closes the idle ones and gives the requests under
  // way until `grace` is over; then cuts their connections. True when all ended in time; false
  // when a worker is still busy (its request stuck beyond reach of the sockets).
  bool Stop(std::chrono::milliseconds grace);

 private:
  struct Connection;
  struct Lane {
    std::deque<Connection*> waiting;
    std::condition_variable wake;
    std::vector<std::thread> workers;
  };
  using Clock = std::chrono::steady_clock;

  void WaitForRequests();
  void Work(Lane& lane);
  void Receive(Connection& connection);
  void Examine(Connection& connection);
  void Refuse(Connection& connection, int status, const std::string& reason);
  void Close(Connection& connection);
  void ExpireDeadlines();
  void TakeBackReturned();
  void Watch(Connection& connection);
  void Unwatch(Connection& connection);
  void WakeLoop();

  const ConnectionLimits limits_;
  const std::set<std::string> unlimited_peers_;
  const Answer answer_;
  const Refused refused_;

  std::mutex mutex_;
  std::unordered_map<int, std::unique_ptr<Connection>> connections_;
  std::unordered_map<std::string, int> per_peer_;
  std::vector<Connection*> returned_;  // back from a worker, to be watched again
  std::condition_variable all_closed_;
  bool stopping_ = false;
  bool finished_ = false;
  Clock::time_point last_expiry_{};

  int epoll_ = -1;
  int wake_ = -1;
  Lane clients_;
  Lane health_checks_;
  std::thread loop_;
};

}  // namespace lintrove::service
