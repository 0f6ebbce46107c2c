#include "service_server.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include <httplib.h>

#include "answer_documents.h"
#include "base/error.h"
#include "fast_gzip.h"
#include "page_texts.h"
#include "release_page.h"

namespace lintrove::service {
namespace {

constexpr const char* kXml = "text/xml; charset=UTF-8";
constexpr const char* kHtml = "text/html; charset=UTF-8";
constexpr int kBadRequest = 400;
constexpr int kTooLarge = 413;

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// A path as the log shows it: printable ASCII only, and not too much of it. The query is not
// part of it: it may carry a client's identity.
std::string LoggedPath(std::string_view path) {
  std::string shown;
  for (char c : path.substr(0, 80)) shown += c > ' ' && c < 127 ? c : '?';
  return shown;
}

std::string Reason(int status) {
  switch (status) {
    case 400:
      return "bad request";
    case 404:
      return "no such page";
    case 413:
      return "the request is too large";
    case 414:
      return "the address is too long";
    default:
      return "HTTP status " + std::to_string(status);
  }
}

std::string RequestLine(std::string_view command, std::size_t programs, int status,
                        double milliseconds) {
  char time[32];
  std::snprintf(time, sizeof time, "%.2f ms", milliseconds);
  std::string line = std::string(command.empty() ? "-" : command);
  line +=
      " programs=" + std::to_string(programs) + " status=" + std::to_string(status) + " " + time;
  return line;
}

// A page loads nothing from elsewhere, runs no script and posts its form only here: should an
// escape ever be missed, the browser still refuses what was smuggled in.
void SetPage(httplib::Response& response, const Page& page) {
  response.status = page.http_status;
  response.set_header("Content-Security-Policy",
                      "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
                      "base-uri 'none'; frame-ancestors 'self'");
  response.set_header("X-Content-Type-Options", "nosniff");
  response.set_header("Cache-Control", "no-store");
  response.set_content(page.html, kHtml);
}

// An answer of the endpoint. httplib would gzip it at zlib's default level, which costs more CPU
// time than judging the programs; compressed here at the fastest level, and handed over as
// content of a known length, which httplib sends as it is.
void SetAnswer(const httplib::Request& request, httplib::Response& response, std::string document) {
  if (!AcceptsGzip(request.get_header_value("Accept-Encoding"))) {
    response.set_content(std::move(document), kXml);
    return;
  }
  auto compressed = std::make_shared<const std::string>(FastGzip(document));
  response.set_header("Content-Encoding", "gzip");
  response.set_content_provider(
      compressed->size(), kXml,
      [compressed](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        return sink.write(compressed->data() + offset, length);
      });
}

FeedbackQuery QueryOf(const httplib::Request& request) {
  return {request.get_param_value("lcid"), request.get_param_value("vid"),
          request.get_param_value("hash"), request.get_param_value("cid")};
}

// httplib takes a route as a regular expression: a path is one only once its special
// characters are escaped ("setup+1.exe" would otherwise match "setupp1xexe", not itself).
std::string LiteralRoute(std::string_view path) {
  std::string pattern;
  for (char c : path) {
    if (std::string_view(".+*?^$()[]{}|\\").find(c) != std::string_view::npos) pattern += '\\';
    pattern += c;
  }
  return pattern;
}

// A Host header that can stand in an address: a name or address and a port, nothing else.
bool IsPlainHost(std::string_view host) {
  return !host.empty() && host.size() <= 255 && std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == ':' || c == '[' || c == ']';
  });
}

}  // namespace

ServiceServer::ServiceServer(UpdateService& service, FeedbackPage& feedback, ServiceLog& log,
                             std::size_t max_body_bytes)
    : service_(service),
      feedback_(feedback),
      log_(log),
      max_body_(max_body_bytes),
      server_(std::make_unique<httplib::Server>()) {
  Route();
}

ServiceServer::~ServiceServer() = default;

void ServiceServer::Route() {
  server_->set_payload_max_length(max_body_);
  // Headers and body leave in separate writes: with Nagle's algorithm the body would wait for
  // the client's delayed acknowledgement, some 40 ms per answer.
  server_->set_tcp_nodelay(true);

  server_->set_pre_routing_handler([this](const httplib::Request& request,
                                          httplib::Response& response) {
    if (request.path != kEndpoint || request.method == "POST") {
      return httplib::Server::HandlerResponse::Unhandled;
    }
    response.status = 405;
    response.set_header("Allow", "POST");
    response.set_content(ErrorAnswer(405, "the endpoint takes POST only"), kXml);
    log_.Write(LogLevel::Warning, request.method + " " + LoggedPath(request.path) + " status=405");
    return httplib::Server::HandlerResponse::Handled;
  });

  server_->Post(LiteralRoute(kEndpoint), [this](const httplib::Request& request,
                                                httplib::Response& response,
                                                const httplib::ContentReader& reader) {
    const auto start = std::chrono::steady_clock::now();
    std::string body;
    bool too_large = false;
    // Counted after decoding: a small compressed body may stand for a huge one. A body whose
    // declared length is over the limit is not read at all.
    const bool complete = reader([&](const char* data, std::size_t length) {
      too_large = body.size() + length > max_body_;
      if (!too_large) body.append(data, length);
      return !too_large;
    });
    too_large = too_large || request.get_header_value<std::uint64_t>("Content-Length") > max_body_;
    ServiceAnswer answer;
    if (!complete) {
      answer.http_status = too_large ? kTooLarge : kBadRequest;
      answer.error = too_large
                         ? "the request is larger than " + std::to_string(max_body_) + " bytes"
                         : "the request body could not be read";
      answer.document = ErrorAnswer(answer.http_status, answer.error);
      // What is left of the body may still be on its way: the connection cannot carry another
      // request.
      response.set_header("Connection", "close");
    } else {
      answer = service_.Answer(body, BaseUrl(request), request.remote_addr);
    }
    response.status = answer.http_status;
    SetAnswer(request, response, std::move(answer.document));
    std::string line =
        RequestLine(answer.command, answer.programs, answer.http_status, MillisecondsSince(start));
    if (answer.error.empty()) {
      log_.Write(LogLevel::Info, line);
    } else {
      log_.Write(answer.http_status >= 500 ? LogLevel::Error : LogLevel::Warning,
                 line + " refused: " + answer.error);
    }
  });

  RoutePages();

  // What httplib answers itself (no such path, a body over the limit, a broken request) gets
  // an error document as well.
  server_->set_error_handler([this](const httplib::Request& request, httplib::Response& response) {
    if (!response.body.empty()) return;
    response.set_content(ErrorAnswer(response.status, Reason(response.status)), kXml);
    log_.Write(LogLevel::Warning, request.method + " " + LoggedPath(request.path) +
                                      " status=" + std::to_string(response.status));
  });
  server_->set_exception_handler(
      [this](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
        std::string message = "unexpected failure";
        try {
          std::rethrow_exception(error);
        } catch (const std::exception& caught) {
          message = caught.what();
        } catch (...) {
        }
        response.status = 500;
        response.set_content(ErrorAnswer(500, "internal error"), kXml);
        log_.Write(LogLevel::Error, "request failed: " + message);
      });
}

void ServiceServer::RoutePages() {
  const std::string feedback_path = LiteralRoute(FeedbackPage::kPath);
  server_->Get(feedback_path, [this](const httplib::Request& request, httplib::Response& response) {
    const auto start = std::chrono::steady_clock::now();
    SetPage(response, feedback_.Show(QueryOf(request)));
    log_.Write(LogLevel::Info,
               RequestLine("GET feedback", 0, response.status, MillisecondsSince(start)));
  });
  server_->Post(
      feedback_path, [this](const httplib::Request& request, httplib::Response& response) {
        const auto start = std::chrono::steady_clock::now();
        SetPage(response, feedback_.Receive(QueryOf(request), request.get_param_value("subject"),
                                            request.get_param_value("comment")));
        log_.Write(response.status == 200 ? LogLevel::Info : LogLevel::Warning,
                   RequestLine("POST feedback", 0, response.status, MillisecondsSince(start)));
      });

  const Release& release = service_.CurrentRelease();
  if (!release.directory) return;
  server_->Get(LiteralRoute(ReleaseInfoPath(release)),
               [this](const httplib::Request& request, httplib::Response& response) {
                 const PageLanguage language =
                     request.has_param("lcid")
                         ? LanguageOfLcid(request.get_param_value("lcid"))
                         : LanguageOfAcceptLanguage(request.get_header_value("Accept-Language"));
                 SetPage(response, {200, ReleaseInfoPage(service_.CurrentRelease(), language)});
                 log_.Write(LogLevel::Info, "GET release page status=200");
               });
  for (const ReleaseSetup* setup : release.AllSetups()) {
    server_->Get(LiteralRoute(ReleaseSetupPath(release, *setup)),
                 [this, setup](const httplib::Request&, httplib::Response& response) {
                   ServeSetup(*setup, response);
                 });
  }
}

void ServiceServer::ServeSetup(const ReleaseSetup& setup, httplib::Response& response) {
  auto file = std::make_shared<std::ifstream>(*service_.CurrentRelease().directory / setup.name,
                                              std::ios::binary);
  if (!*file) throw Error("Cannot read the setup " + setup.name);
  response.set_header("Content-Disposition", "attachment; filename=\"" + setup.name + "\"");
  response.set_content_provider(
      setup.size, "application/octet-stream",
      [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        std::array<char, 64 * 1024> buffer;
        file->seekg(static_cast<std::streamoff>(offset));
        file->read(buffer.data(), static_cast<std::streamsize>(std::min(length, buffer.size())));
        if (file->gcount() <= 0) return false;
        return sink.write(buffer.data(), static_cast<std::size_t>(file->gcount()));
      });
  log_.Write(LogLevel::Info, "GET setup status=200");
}

void ServiceServer::ServeHealth(CatalogStore& store) {
  server_->Get(LiteralRoute(kHealthPath), [this, &store](const httplib::Request&,
                                                         httplib::Response& response) {
    std::string failure;
    try {
      store.Ping();
    } catch (const std::exception& error) {
      failure = error.what();
    }
    const bool healthy = failure.empty();
    response.status = healthy ? 200 : 503;
    // A proxy or load balancer must ask again, not remember.
    response.set_header("Cache-Control", "no-store");
    response.set_content(healthy ? "ok\n" : "database not answering: " + failure + "\n",
                         "text/plain; charset=UTF-8");
    if (healthy_.exchange(healthy) != healthy) {
      log_.Write(healthy ? LogLevel::Info : LogLevel::Warning,
                 healthy ? "health: the database answers again"
                         : "health: the database does not answer: " + failure);
    }
    if (log_.Enabled(LogLevel::Debug)) {
      log_.Write(LogLevel::Debug, "GET health status=" + std::to_string(response.status));
    }
  });
}

std::string ServiceServer::BaseUrl(const httplib::Request& request) const {
  if (!public_url_.empty()) return public_url_;
  const std::string host = request.get_header_value("Host");
  return "http://" + (IsPlainHost(host) ? host : bound_address_);
}

int ServiceServer::Bind(const std::string& host, int port) {
  const int bound =
      port == 0 ? server_->bind_to_any_port(host) : (server_->bind_to_port(host, port) ? port : -1);
  if (bound <= 0) {
    throw Error("Cannot listen on " + host + " port " + std::to_string(port));
  }
  const bool ipv6 = host.find(':') != std::string::npos;
  bound_address_ = (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(bound);
  return bound;
}

void ServiceServer::Run() { server_->listen_after_bind(); }

void ServiceServer::Stop() { server_->stop(); }

}  // namespace lintrove::service
