// recording_update_service PORT_FILE LOG_FILE [NAME=VERSION,VERSION...]...
//
// The test update service behind a bare socket that appends every request to LOG_FILE exactly as
// its bytes came, each followed by a line "=====". Writes its port to PORT_FILE once it listens
// and serves until killed. Lets a client of another build (the Windows one under Wine) be
// compared byte for byte with this build's.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "protocol/test_update_service.h"

namespace {

using lintrove::test::TestUpdateService;

TestUpdateService::Catalog ParseCatalog(int argc, char** argv) {
  TestUpdateService::Catalog catalog;
  for (int i = 3; i < argc; ++i) {
    const std::string entry = argv[i];
    const std::size_t equals = entry.find('=');
    std::vector<std::string>& versions = catalog[entry.substr(0, equals)];
    if (equals == std::string::npos) continue;
    std::istringstream list(entry.substr(equals + 1));
    for (std::string version; std::getline(list, version, ',');) versions.push_back(version);
  }
  return catalog;
}

std::string ReadRequest(int connection) {
  std::string request;
  char buffer[4096];
  while (!lintrove::test::IsCompleteRequest(request)) {
    const ssize_t received = ::recv(connection, buffer, sizeof buffer, 0);
    if (received <= 0) break;
    request.append(buffer, static_cast<std::size_t>(received));
  }
  return request;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: recording_update_service PORT_FILE LOG_FILE [NAME=VERSION,...]...\n";
    return 2;
  }
  TestUpdateService service(ParseCatalog(argc, argv));
  const std::string service_url = service.ServiceUrl();
  const std::string service_port = service_url.substr(10, service_url.find('/') - 10);
  httplib::Client forward("127.0.0.1", std::stoi(service_port));

  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener, 8) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("recording_update_service: listen on 127.0.0.1");
    return 1;
  }
  std::ofstream(argv[1]) << ntohs(address.sin_port) << '\n';

  for (;;) {
    const int connection = ::accept(listener, nullptr, nullptr);
    if (connection < 0) continue;
    const std::string request = ReadRequest(connection);
    std::ofstream(argv[2], std::ios::binary | std::ios::app) << request << "\n=====\n";
    const std::size_t body_start = request.find("\r\n\r\n");
    std::string answer;
    if (body_start != std::string::npos) {
      if (auto result =
              forward.Post("/updateservice1400.php", request.substr(body_start + 4), "text/xml")) {
        answer = result->body;
      }
    }
    // One request a connection keeps the log in the order the client sent them.
    const std::string response =
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=UTF-8\r\n"
        "Content-Length: " +
        std::to_string(answer.size()) + "\r\nConnection: close\r\n\r\n" + answer;
    ::send(connection, response.data(), response.size(), MSG_NOSIGNAL);
    ::close(connection);
  }
}
