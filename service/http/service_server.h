#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "catalog/catalog_store.h"
#include "catalog/update_service.h"
#include "http/rate_limiter.h"
#include "http/server_settings.h"
#include "http/service_log.h"
#include "http/service_metrics.h"
#include "pages/feedback_page.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace lintrove::service {

class ConnectionGate;
class GatedHttpServer;
class HealthProbe;

// The update service over HTTP: POST of a request document to the endpoint, the answer
// document back, gzip-encoded when the client accepts it; the feedback page (GET, and POST of
// its form); the release's information page and setup when a release directory is given.
// Other methods on the endpoint and other paths get an error document. One line per request
// goes to the log; the health check's only at debug level, since a load balancer asks it every
// few seconds.
class ServiceServer {
 public:
  static constexpr std::string_view kEndpoint = "/updateservice1400.php";
  static constexpr std::string_view kHealthPath = "/health";
  static constexpr std::string_view kMetricsPath = "/metrics";
  static constexpr std::size_t kDefaultMaxBody = ConnectionLimits{}.max_body;

  ServiceServer(UpdateService& service, FeedbackPage& feedback, ServiceLog& log,
                ServerSettings settings = {});
  ~ServiceServer();
  ServiceServer(const ServiceServer&) = delete;
  ServiceServer& operator=(const ServiceServer&) = delete;

  // Binds to the address; port 0 takes a free one. Returns the port; raises when the address
  // cannot be had.
  int Bind(const std::string& host, int port);
  // Accepts connections until Stop, on the calling thread; the requests are answered by the
  // server's workers.
  void Run();
  // Takes no more connections and gives the requests under way until `grace` is over; may be
  // called from any thread. False when a request was still being answered after that.
  bool Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(0));

  // Where clients reach the service ("https://updates.example.org"), for the addresses the
  // updatecheck answer announces. Unset, it is http:// and the Host the client asked for.
  void SetPublicUrl(std::string url) { public_url_ = std::move(url); }

  // Answers GET and HEAD of kHealthPath: 200 while `store` answers within the health timeout
  // and took the reports of late, 503 with a short reason otherwise (the details go to the
  // log); a change between the two is logged once, as a warning or back at info. Serves
  // kMetricsPath with the catalog's size from `store`. Call before Run.
  void ServeOperators(CatalogStore& store);

 private:
  void Route();
  void RouteEndpoint();
  void RoutePages();
  void ServeSetup(const ReleaseSetup& setup, httplib::Response& response);
  void LogRequest(const httplib::Request& request, const httplib::Response& response);
  bool IsCrossSiteForm(const httplib::Request& request) const;
  std::string BaseUrl(const httplib::Request& request) const;

  UpdateService& service_;
  FeedbackPage& feedback_;
  ServiceLog& log_;
  const ServerSettings settings_;
  std::string public_url_;
  std::atomic<bool> healthy_ = true;
  std::string bound_address_;
  RateLimiter rate_limiter_;
  ServiceMetrics metrics_;
  std::unique_ptr<HealthProbe> health_;
  std::unique_ptr<GatedHttpServer> server_;
  std::unique_ptr<ConnectionGate> gate_;
};

}  // namespace lintrove::service
