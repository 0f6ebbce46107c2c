#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "service_log.h"
#include "update_service.h"

namespace httplib {
class Server;
}

namespace lintrove::service {

// The update service over HTTP: POST of a request document to the endpoint, the answer
// document back, gzip-encoded when the client accepts it. Other methods on the endpoint and
// other paths get an error document. One line per request goes to the log.
class ServiceServer {
 public:
  static constexpr std::string_view kEndpoint = "/updateservice1400.php";
  static constexpr std::size_t kDefaultMaxBody = 4 * 1024 * 1024;

  ServiceServer(UpdateService& service, ServiceLog& log,
                std::size_t max_body_bytes = kDefaultMaxBody);
  ~ServiceServer();
  ServiceServer(const ServiceServer&) = delete;
  ServiceServer& operator=(const ServiceServer&) = delete;

  // Binds to the address; port 0 takes a free one. Returns the port; raises when the address
  // cannot be had.
  int Bind(const std::string& host, int port);
  // Serves until Stop, on the calling thread and the server's pool.
  void Run();
  // May be called from any thread.
  void Stop();

 private:
  void Route();

  UpdateService& service_;
  ServiceLog& log_;
  std::size_t max_body_;
  std::unique_ptr<httplib::Server> server_;
};

}  // namespace lintrove::service
