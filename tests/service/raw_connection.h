#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace lintrove::test {

// A TCP connection to 127.0.0.1 that sends exactly the bytes a test gives: a slow client, an
// idle one, one that pipelines or sends a head the HTTP library would never write.
class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  // False once the service closed or reset the connection.
  bool Send(std::string_view bytes);
  // What arrives until `text` has (all of it then), the connection ends or `timeout` passes.
  std::string ReadUntil(std::string_view text, std::chrono::milliseconds timeout);
  // Whether the service closes the connection within `timeout` (what arrives is dropped).
  bool ClosedWithin(std::chrono::milliseconds timeout);

 private:
  int socket_ = -1;
};

// A POST of `body` to the endpoint as a plain HTTP/1.1 request.
std::string EndpointPost(std::string_view body, std::string_view extra_headers = "");

}  // namespace lintrove::test
