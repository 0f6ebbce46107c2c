#pragma once

#include <functional>

#include <httplib.h>

namespace lintrove::service {

// The HTTP library's server with its connections handed to a gate: the accepting thread gives
// each new socket away at once, and requests reach the library only whole, through
// AnswerRequest. The library's own pool would give each connection a thread for as long as the
// client keeps it open.
class GatedHttpServer : public httplib::Server {
 public:
  explicit GatedHttpServer(std::function<void(int socket)> admit);

  // Reads one request from the stream, routes it and writes the answer.
  bool AnswerRequest(httplib::Stream& stream, bool close_connection, bool& connection_closed) {
    return process_request(stream, close_connection, connection_closed, nullptr);
  }

  // Closes the listening socket, so that the accepting ends, whether it has begun yet or not
  // (the library's stop() does nothing before).
  void StopListening();

 private:
  bool process_and_close_socket(int socket) override;

  std::function<void(int socket)> admit_;
};

}  // namespace lintrove::service
