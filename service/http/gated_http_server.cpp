#include "http/gated_http_server.h"

#include <sys/socket.h>
#include <unistd.h>

namespace lintrove::service {
namespace {

// Runs each task on the accepting thread: the only task is handing a socket to the gate.
class HandOverQueue : public httplib::TaskQueue {
 public:
  void enqueue(std::function<void()> task) override { task(); }
  void shutdown() override {}
};

}  // namespace

GatedHttpServer::GatedHttpServer(std::function<void(int socket)> admit) : admit_(std::move(admit)) {
  // The library owns the queue it asks for and deletes it.
  new_task_queue = [] { return new HandOverQueue; };
}

void GatedHttpServer::StopListening() {
  const int socket = svr_sock_.exchange(INVALID_SOCKET);
  if (socket == INVALID_SOCKET) return;
  shutdown(socket, SHUT_RDWR);
  close(socket);
}

bool GatedHttpServer::process_and_close_socket(int socket) {
  admit_(socket);
  return true;
}

}  // namespace lintrove::service
