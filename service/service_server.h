#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "catalog_store.h"
#include "feedback_page.h"
#include "service_log.h"
#include "update_service.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace lintrove::service {

// The update service over HTTP: POST of a request document to the endpoint, the answer
// document back, gzip-encoded when the client accepts it; the feedback page (GET, and POST of
// its form); the release's information page and setup when a release directory is given.
// Other methods on the endpoint and other paths get an error document. One line per request
// goes to the log, except for the health check, which a load balancer asks every few seconds.
class ServiceServer {
 public:
  static constexpr std::string_view kEndpoint = "/updateservice1400.php";
  static constexpr std::string_view kHealthPath = "/health";
  static constexpr std::size_t kDefaultMaxBody = 4 * 1024 * 1024;

  ServiceServer(UpdateService& service, FeedbackPage& feedback, ServiceLog& log,
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

  // Where clients reach the service ("https://updates.example.org"), for the addresses the
  // updatecheck answer announces. Unset, it is http:// and the Host the client asked for.
  void SetPublicUrl(std::string url) { public_url_ = std::move(url); }

  // Answers GET and HEAD of kHealthPath: 200 while `store` answers (CatalogStore::Ping), 503
  // with the reason when it does not. Each answer goes to the log at debug level only; a change
  // between the two is logged once, as a warning or back at info. Call before Run.
  void ServeHealth(CatalogStore& store);

 private:
  void Route();
  void RoutePages();
  void ServeSetup(const ReleaseSetup& setup, httplib::Response& response);
  std::string BaseUrl(const httplib::Request& request) const;

  UpdateService& service_;
  FeedbackPage& feedback_;
  ServiceLog& log_;
  std::string public_url_;
  std::atomic<bool> healthy_ = true;
  std::string bound_address_;
  std::size_t max_body_;
  std::unique_ptr<httplib::Server> server_;
};

}  // namespace lintrove::service
