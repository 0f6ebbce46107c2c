// http_scenario_server PORT_FILE
//
// The answers the transport must cope with, served on 127.0.0.1 for a client of another build
// (the Windows one under Wine), path by path: /plain, /gzip, /deflate (a padded "ok" status),
// /large, /large-gzip, /large-deflate (100000 bytes once decoded), /stall (answers after three
// seconds), /silent (says nothing for longer than any stall limit), /notxml; GET /download (300000
// bytes) and /missing (404 with an error page). An HTTPS server with a self-signed certificate
// answers every POST with "ok". Writes "HTTP_PORT HTTPS_PORT" to PORT_FILE once both listen, and
// serves until killed.
#include <chrono>
#include <fstream>
#include <iostream>
#include <thread>

#include "protocol/test_http_server.h"
#include "support/compression.h"

namespace {

using lintrove::test::Compress;

std::string Encoded(const std::string& body, const std::string& encoding) {
  if (encoding == "gzip") return Compress(body, 31);
  if (encoding == "deflate") return Compress(body, 15);
  return body;
}

void AnswerPost(const httplib::Request& request, httplib::Response& response) {
  const std::string ok =
      "<dorvupdater><status>ok</status><pad>" + std::string(5000, 'x') + "</pad></dorvupdater>";
  const std::string large =
      "<dorvupdater><pad>" + std::string(100000, 'x') + "</pad></dorvupdater>";
  std::string path = request.path;
  std::string body = ok;
  if (path.starts_with("/large")) {
    body = large;
    path = path.size() > 6 ? "/" + path.substr(7) : "/plain";
  }
  if (path == "/stall") std::this_thread::sleep_for(std::chrono::seconds(3));
  if (path == "/silent") std::this_thread::sleep_for(std::chrono::minutes(5));
  if (path == "/notxml") body = "Bad Gateway";
  const std::string encoding = path == "/gzip" || path == "/deflate" ? path.substr(1) : "";
  if (!encoding.empty()) response.set_header("Content-Encoding", encoding);
  // The content type keeps the server from compressing the answer again.
  response.set_content(Encoded(body, encoding), "application/octet-stream");
}

void AnswerGet(const httplib::Request& request, httplib::Response& response) {
  if (request.path == "/download") {
    response.set_content(std::string(300000, 'd'), "application/octet-stream");
  } else {
    response.status = 404;
    response.set_content("<html>error page</html>", "text/html");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: http_scenario_server PORT_FILE\n";
    return 2;
  }
  lintrove::test::TestHttpServer http(&AnswerPost, &AnswerGet);
  lintrove::test::TestHttpServer https(
      [](const httplib::Request&, httplib::Response& response) {
        response.set_content("<dorvupdater><status>ok</status></dorvupdater>", "text/xml");
      },
      LINTROVE_PROTOCOL_TEST_DIR "/self_signed_cert.pem",
      LINTROVE_PROTOCOL_TEST_DIR "/self_signed_key.pem");
  std::ofstream(argv[1]) << http.Port() << ' ' << https.Port() << '\n';
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
