#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <httplib.h>

namespace lintrove::test {

// An HTTP server on 127.0.0.1 in the test's own process, answering every POST through one
// handler. It runs from construction to destruction on a port of its own.
class TestHttpServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  explicit TestHttpServer(Handler handler);
  // Answering GET requests as well, through `get`.
  TestHttpServer(Handler handler, Handler get);
  // An HTTPS server with that certificate and key (PEM files).
  TestHttpServer(Handler handler, const std::string& certificate, const std::string& key);
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  int Port() const { return port_; }
  // Host, port and path without a scheme, as the service address setting holds it.
  std::string ServiceUrl(const std::string& path = "/updateservice1400.php") const;
  // Makes the port refuse connections from now on.
  void Stop();

 private:
  void Start(Handler handler, Handler get = {});

  std::unique_ptr<httplib::Server> server_;
  int port_ = -1;
  std::thread thread_;
};

// Whether `request` holds a whole request: the header and as many body bytes as it announces.
bool IsCompleteRequest(const std::string& request);

// A server for one request on a bare socket: it records the request's bytes exactly as they
// came, then sends `answer` as it stands (an empty one: nothing at all) and hangs up, or, with no
// answer, stays silent until the client gives up.
class RawHttpServer {
 public:
  explicit RawHttpServer(std::optional<std::string> answer = std::nullopt);
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  std::string ServiceUrl() const;
  // The bytes of the request, once the exchange is over.
  std::string ReceivedRequest();

 private:
  void Serve();

  std::optional<std::string> answer_;
  int listener_ = -1;
  std::atomic<int> connection_ = -1;
  int port_ = -1;
  std::string request_;
  std::thread thread_;
};

}  // namespace lintrove::test
