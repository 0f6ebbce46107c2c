#pragma once

#include <chrono>
#include <set>
#include <string>

#include "http/connection_limits.h"

namespace lintrove::service {

// How the server meets its clients: its connections, whom it believes about a request's origin
// and how many requests one origin may send.
struct ServerSettings {
  ConnectionLimits connections;
  // Proxies of the operator's own, whose X-Forwarded-For names a request's origin.
  std::set<std::string> trusted_proxies;
  // Requests per origin in a window; 0: no limit.
  int rate_limit = 300;
  std::chrono::seconds rate_window{60};
  // How long the health check waits for the database.
  std::chrono::milliseconds health_timeout{2000};
  // How long the requests under way may take once the service is told to stop.
  std::chrono::seconds stop_timeout{10};
};

}  // namespace lintrove::service
