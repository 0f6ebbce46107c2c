#include "http/connection_gate.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <httplib.h>

#include "base/error.h"
#include "catalog/answer_documents.h"
#include "http/peer_address.h"
#include "http/request_framing.h"

namespace lintrove::service {

namespace {

// Far more than any client's head; a head is never buffered beyond it.
constexpr std::size_t kMaxHead = 32 * 1024;
constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
// A refused request's remaining body is read and dropped for a while, so that the client gets
// to read the refusal instead of a reset connection.
constexpr std::chrono::seconds kDrainTime{2};
constexpr auto kExpiryInterval = std::chrono::milliseconds(100);

const char* StatusText(int status) {
  switch (status) {
    case 400:
      return "Bad Request";
    case 408:
      return "Request Timeout";
    case 411:
      return "Length Required";
    case 413:
      return "Payload Too Large";
    case 431:
      return "Request Header Fields Too Large";
    default:
      return "Service Unavailable";
  }
}

int RemainingMilliseconds(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

// Sends all of `data` on a non-blocking socket by the deadline.
bool SendAll(int socket, std::string_view data, std::chrono::steady_clock::time_point deadline) {
  while (!data.empty()) {
    const ssize_t sent = send(socket, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      data.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    pollfd ready{socket, POLLOUT, 0};
    if (poll(&ready, 1, RemainingMilliseconds(deadline)) <= 0) return false;
  }
  return true;
}

}  // namespace

struct ConnectionGate::Connection {
  int socket = -1;
  std::string peer;
  int peer_port = 0;
  std::string received;  // not yet answered
  Clock::time_point deadline;
  std::size_t request_size = 0;  // head and body of the request handed to a worker
  int answered = 0;
  bool continue_sent = false;
  bool working = false;
  bool draining = false;
};

namespace {

// One request as the HTTP library reads it: from what the gate gathered, never from the
// socket; the answer goes straight to the socket, by the deadline.
class GatheredRequestStream : public httplib::Stream {
 public:
  GatheredRequestStream(int socket, std::string_view request, const std::string& peer,
                        int peer_port, bool continue_sent,
                        std::chrono::steady_clock::time_point deadline)
      : socket_(socket),
        request_(request),
        peer_(peer),
        peer_port_(peer_port),
        continue_sent_(continue_sent),
        deadline_(deadline) {}

  bool is_readable() const override { return read_ < request_.size(); }
  bool is_writable() const override {
    pollfd ready{socket_, POLLOUT, 0};
    return poll(&ready, 1, RemainingMilliseconds(deadline_)) > 0;
  }
  ssize_t read(char* data, size_t size) override {
    const std::size_t length = std::min(size, request_.size() - read_);
    std::memcpy(data, request_.data() + read_, length);
    read_ += length;
    return static_cast<ssize_t>(length);
  }
  ssize_t write(const char* data, size_t size) override {
    // The gate told the client to go on when the head came; the library would say it again.
    if (continue_sent_ && std::string_view(data, size) == kContinue) return size;
    return SendAll(socket_, {data, size}, deadline_) ? static_cast<ssize_t>(size) : -1;
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = peer_;
    port = peer_port_;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      ip = PeerAddress(address);
      port = PeerPort(address);
    }
  }
  socket_t socket() const override { return socket_; }

 private:
  int socket_;
  std::string_view request_;
  std::size_t read_ = 0;
  const std::string& peer_;
  int peer_port_;
  bool continue_sent_;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace

ConnectionGate::ConnectionGate(ConnectionLimits limits, std::set<std::string> unlimited_peers,
                               Answer answer, Refused refused)
    : limits_(limits),
      unlimited_peers_(std::move(unlimited_peers)),
      answer_(std::move(answer)),
      refused_(std::move(refused)),
      epoll_(epoll_create1(EPOLL_CLOEXEC)),
      wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (epoll_ < 0 || wake_ < 0)
    throw Error("Cannot wait for connections: " + std::string(std::strerror(errno)));
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = wake_;
  epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &event);
  for (int i = 0; i < limits_.workers; ++i) {
    clients_.workers.emplace_back([this] { Work(clients_); });
  }
  health_checks_.workers.emplace_back([this] { Work(health_checks_); });
  loop_ = std::thread([this] { WaitForRequests(); });
}

ConnectionGate::~ConnectionGate() {
  Stop(std::chrono::milliseconds(0));
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  clients_.wake.notify_all();
  health_checks_.wake.notify_all();
  WakeLoop();
  loop_.join();
  for (Lane* lane : {&clients_, &health_checks_}) {
    for (std::thread& worker : lane->workers) worker.join();
  }
  for (auto& [socket, connection] : connections_) close(socket);
  close(epoll_);
  close(wake_);
}

void ConnectionGate::Admit(int socket) {
  const int flags = fcntl(socket, F_GETFL, 0);
  fcntl(socket, F_SETFL, flags | O_NONBLOCK);
  // Head and body of an answer leave in separate writes: with Nagle's algorithm the body would
  // wait for the client's delayed acknowledgement.
  const int on = 1;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

  auto connection = std::make_unique<Connection>();
  connection->socket = socket;
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    connection->peer = PeerAddress(address);
    connection->peer_port = PeerPort(address);
  }
  connection->deadline = Clock::now() + limits_.request_timeout;

  std::lock_guard lock(mutex_);
  if (stopping_) {
    close(socket);
    return;
  }
  Connection& admitted = *connection;
  connections_.emplace(socket, std::move(connection));
  const bool unlimited = unlimited_peers_.contains(admitted.peer);
  const int from_peer = unlimited ? 0 : ++per_peer_[admitted.peer];
  if (static_cast<int>(connections_.size()) > limits_.max_connections) {
    Refuse(admitted, 503, "the service has too many connections; try again later");
  } else if (from_peer > limits_.connections_per_peer) {
    Refuse(admitted, 503, "too many connections from one address");
  } else {
    Watch(admitted);
  }
}

void ConnectionGate::Watch(Connection& connection) {
  epoll_event event{};
  event.events = EPOLLIN | EPOLLRDHUP;
  event.data.fd = connection.socket;
  epoll_ctl(epoll_, EPOLL_CTL_ADD, connection.socket, &event);
}

void ConnectionGate::Unwatch(Connection& connection) {
  epoll_ctl(epoll_, EPOLL_CTL_DEL, connection.socket, nullptr);
}

void ConnectionGate::WakeLoop() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
}

void ConnectionGate::WaitForRequests() {
  std::array<epoll_event, 64> events;
  for (;;) {
    const int ready = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()),
                                 static_cast<int>(kExpiryInterval.count()));
    std::lock_guard lock(mutex_);
    if (finished_) return;
    for (int i = 0; i < ready; ++i) {
      const int socket = events[i].data.fd;
      if (socket == wake_) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read_bytes = read(wake_, &count, sizeof count);
        continue;
      }
      const auto found = connections_.find(socket);
      if (found != connections_.end() && !found->second->working) Receive(*found->second);
    }
    TakeBackReturned();
    if (Clock::now() - last_expiry_ >= kExpiryInterval) ExpireDeadlines();
  }
}

void ConnectionGate::Receive(Connection& connection) {
  char buffer[16 * 1024];
  const ssize_t length = recv(connection.socket, buffer, sizeof buffer, 0);
  if (length == 0 || (length < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    Close(connection);
    return;
  }
  if (length < 0 || connection.draining) return;
  // A new request's deadline runs from its first byte, not from the end of the last one.
  if (connection.received.empty() && connection.answered > 0) {
    connection.deadline = Clock::now() + limits_.request_timeout;
  }
  connection.received.append(buffer, static_cast<std::size_t>(length));
  Examine(connection);
}

void ConnectionGate::Examine(Connection& connection) {
  if (connection.received.empty()) return;
  const RequestFrame frame = FrameRequest(connection.received, kMaxHead, limits_.max_body);
  switch (frame.state) {
    case RequestFrame::State::Incomplete:
      return;
    case RequestFrame::State::HeadTooLarge:
      Refuse(connection, 431,
             "the request head is larger than " + std::to_string(kMaxHead) + " bytes");
      return;
    case RequestFrame::State::LengthRequired:
      Refuse(connection, 411, "a request body needs a Content-Length");
      return;
    case RequestFrame::State::Malformed:
      Refuse(connection, 400, "the Content-Length is no number");
      return;
    case RequestFrame::State::Complete:
      break;
  }
  if (frame.body_over_limit) {
    Refuse(connection, 413,
           "the request is larger than " + std::to_string(limits_.max_body) + " bytes");
    return;
  }
  const std::size_t size = frame.head_size + frame.body_size;
  if (connection.received.size() < size) {
    if (frame.expects_continue && !connection.continue_sent) {
      connection.continue_sent = true;
      SendAll(connection.socket, kContinue, connection.deadline);
    }
    return;
  }
  connection.request_size = size;
  connection.working = true;
  Unwatch(connection);
  Lane& lane = frame.health_check ? health_checks_ : clients_;
  lane.waiting.push_back(&connection);
  lane.wake.notify_one();
}

void ConnectionGate::Refuse(Connection& connection, int status, const std::string& reason) {
  const std::string body = ErrorAnswer(status, reason);
  std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) +
                       "\r\nContent-Type: text/xml; charset=UTF-8\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  SendAll(connection.socket, answer, deadline);
  refused_(status, reason);
  shutdown(connection.socket, SHUT_WR);
  connection.draining = true;
  connection.received.clear();
  connection.deadline = Clock::now() + kDrainTime;
  if (!connection.working) Watch(connection);
}

void ConnectionGate::Close(Connection& connection) {
  const int socket = connection.socket;
  Unwatch(connection);
  close(socket);
  if (const auto peer = per_peer_.find(connection.peer); peer != per_peer_.end()) {
    if (--peer->second <= 0) per_peer_.erase(peer);
  }
  connections_.erase(socket);
  if (connections_.empty()) all_closed_.notify_all();
}

void ConnectionGate::ExpireDeadlines() {
  const Clock::time_point now = Clock::now();
  last_expiry_ = now;
  std::vector<Connection*> expired;
  for (auto& [socket, connection] : connections_) {
    if (!connection->working && connection->deadline <= now) expired.push_back(connection.get());
  }
  for (Connection* connection : expired) {
    if (connection->received.empty() || connection->draining) {
      Close(*connection);  // idle, or done draining
    } else {
      Refuse(*connection, 408,
             "the request did not arrive within " +
                 std::to_string(limits_.request_timeout.count()) + " s");
    }
  }
}

void ConnectionGate::TakeBackReturned() {
  std::vector<Connection*> returned;
  returned.swap(returned_);
  for (Connection* connection : returned) {
    Watch(*connection);
    Examine(*connection);  // a client may have sent its next request already
  }
}

void ConnectionGate::Work(Lane& lane) {
  std::unique_lock lock(mutex_);
  for (;;) {
    lane.wake.wait(lock, [&] { return finished_ || !lane.waiting.empty(); });
    if (lane.waiting.empty()) return;
    Connection& connection = *lane.waiting.front();
    lane.waiting.pop_front();
    const bool close_connection =
        stopping_ || connection.answered + 1 >= limits_.keep_alive_requests;
    const std::string_view request(connection.received.data(), connection.request_size);
    GatheredRequestStream stream(connection.socket, request, connection.peer, connection.peer_port,
                                 connection.continue_sent, Clock::now() + limits_.request_timeout);
    lock.unlock();
    bool connection_closed = false;
    const bool answered = answer_(stream, close_connection, connection_closed);
    lock.lock();

    connection.received.erase(0, connection.request_size);
    connection.request_size = 0;
    connection.continue_sent = false;
    connection.working = false;
    ++connection.answered;
    if (!answered || connection_closed || close_connection || stopping_) {
      Close(connection);
      continue;
    }
    connection.deadline = Clock::now() + (connection.received.empty() ? limits_.keep_alive_timeout
                                                                      : limits_.request_timeout);
    returned_.push_back(&connection);
    WakeLoop();
  }
}

bool ConnectionGate::Stop(std::chrono::milliseconds grace) {
  std::unique_lock lock(mutex_);
  const Clock::time_point end = Clock::now() + grace;
  if (!stopping_) {
    stopping_ = true;
    std::vector<Connection*> idle;
    for (auto& [socket, connection] : connections_) {
      if (connection->working) continue;
      if (connection->received.empty() || connection->draining) {
        idle.push_back(connection.get());
      } else {
        connection->deadline = std::min(connection->deadline, end);
      }
    }
    for (Connection* connection : idle) Close(*connection);
  }
  if (all_closed_.wait_until(lock, end, [&] { return connections_.empty(); })) return true;
  // Cut off: a worker blocked on its socket returns at once; the gate drops the rest.
  std::vector<Connection*> waiting;
  for (auto& [socket, connection] : connections_) {
    shutdown(socket, SHUT_RDWR);
    if (!connection->working) waiting.push_back(connection.get());
  }
  for (Connection* connection : waiting) Close(*connection);
  return all_closed_.wait_for(lock, std::chrono::seconds(1), [&] { return connections_.empty(); });
}

}  // namespace lintrove::service
