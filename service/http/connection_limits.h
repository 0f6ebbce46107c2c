#pragma once

#include <chrono>
#include <cstddef>

namespace lintrove::service {

// How the HTTP side shares itself among its clients. A connection holds a worker only while a
// request it sent whole is answered: waiting for a request, slowly arriving or idle between two,
// costs a buffer, never a thread, and ends at a deadline.
struct ConnectionLimits {
  // Requests answered at once (besides one more for the health check).
  int workers = 8;
  // From a request's first byte (a new connection's accepting) to its last: head and body.
  std::chrono::seconds request_timeout{10};
  // How long an idle connection is kept for the client's next request, and for how many.
  std::chrono::seconds keep_alive_timeout{5};
  int keep_alive_requests = 100;
  // Connections open at once, in all and from one peer address.
  int max_connections = 512;
  int connections_per_peer = 64;
  // The body of one request, after decoding.
  std::size_t max_body = 4 * 1024 * 1024;
};

}  // namespace lintrove::service
