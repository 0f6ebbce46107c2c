#include "protocol/test_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <stdexcept>

namespace lintrove::test {

TestHttpServer::TestHttpServer(Handler handler) : server_(std::make_unique<httplib::Server>()) {
  Start(std::move(handler));
}

TestHttpServer::TestHttpServer(Handler handler, Handler get)
    : server_(std::make_unique<httplib::Server>()) {
  Start(std::move(handler), std::move(get));
}

TestHttpServer::TestHttpServer(Handler handler, const std::string& certificate,
                               const std::string& key)
    : server_(std::make_unique<httplib::SSLServer>(certificate.c_str(), key.c_str())) {
  if (!server_->is_valid()) throw std::runtime_error("the test server cannot load " + certificate);
  Start(std::move(handler));
}

void TestHttpServer::Start(Handler handler, Handler get) {
  server_->Post(".*", [handler = std::move(handler)](const httplib::Request& request,
                                                     httplib::Response& response) {
    handler(request, response);
  });
  if (get) {
    server_->Get(
        ".*", [get = std::move(get)](const httplib::Request& request, httplib::Response& response) {
          get(request, response);
        });
  }
  server_->set_tcp_nodelay(true);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ < 0) throw std::runtime_error("the test server cannot bind to 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // Stopping works only once the server runs.
  while (!server_->is_running()) std::this_thread::yield();
}

TestHttpServer::~TestHttpServer() { Stop(); }

std::string TestHttpServer::ServiceUrl(const std::string& path) const {
  return "127.0.0.1:" + std::to_string(port_) + path;
}

void TestHttpServer::Stop() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

bool IsCompleteRequest(const std::string& request) {
  const std::size_t header_end = request.find("\r\n\r\n");
  if (header_end == std::string::npos) return false;
  std::string header = request.substr(0, header_end);
  for (char& c : header) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::size_t length = 0;
  if (const std::size_t field = header.find("\r\ncontent-length:"); field != std::string::npos) {
    length = std::stoul(header.substr(field + 17));
  }
  return request.size() >= header_end + 4 + length;
}

RawHttpServer::RawHttpServer(std::optional<std::string> answer) : answer_(std::move(answer)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener_, 1) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("the raw server cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

RawHttpServer::~RawHttpServer() {
  // Ends a wait for a client that never came, or for one that never hangs up.
  ::shutdown(listener_, SHUT_RDWR);
  if (const int connection = connection_.load(); connection >= 0) ::shutdown(connection, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  ::close(listener_);
}

std::string RawHttpServer::ServiceUrl() const {
  return "127.0.0.1:" + std::to_string(port_) + "/updateservice1400.php";
}

std::string RawHttpServer::ReceivedRequest() {
  if (thread_.joinable()) thread_.join();
  return request_;
}

void RawHttpServer::Serve() {
  const int connection = ::accept(listener_, nullptr, nullptr);
  if (connection < 0) return;
  connection_ = connection;
  char buffer[4096];
  bool answered = false;
  for (;;) {
    const ssize_t received = ::recv(connection, buffer, sizeof buffer, 0);
    if (received <= 0) break;
    request_.append(buffer, static_cast<std::size_t>(received));
    if (answer_ && !answered && IsCompleteRequest(request_)) {
      if (!answer_->empty()) ::send(connection, answer_->data(), answer_->size(), MSG_NOSIGNAL);
      ::shutdown(connection, SHUT_WR);
      answered = true;
    }
  }
  connection_ = -1;
  ::close(connection);
}

}  // namespace lintrove::test
