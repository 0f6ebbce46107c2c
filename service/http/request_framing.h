#pragma once

#include <cstddef>
#include <string_view>

namespace lintrove::service {

// What the connection gate must know of a request's head before a worker may take it: where
// the head ends and how much body follows.
struct RequestFrame {
  enum class State {
    Incomplete,      // the head has not ended yet
    Complete,        // head and framing read; `body_size` bytes follow the head
    HeadTooLarge,    // no end of the head within the limit
    LengthRequired,  // a body without a length (chunked): never sent by our clients
    Malformed,       // a Content-Length that is no number
  };
  State state = State::Incomplete;
  std::size_t head_size = 0;  // through the blank line
  std::size_t body_size = 0;
  // The declared body is over the limit: the worker refuses it without reading it.
  bool body_over_limit = false;
  bool expects_continue = false;
  // GET or HEAD of the health check, which never queues behind the clients' requests.
  bool health_check = false;
};

// Frames what has arrived of a request so far.
RequestFrame FrameRequest(std::string_view received, std::size_t max_head, std::size_t max_body);

}  // namespace lintrove::service
