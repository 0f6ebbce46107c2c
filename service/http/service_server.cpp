#include "http/service_server.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include <httplib.h>

#include "base/error.h"
#include "catalog/answer_documents.h"
#include "http/connection_gate.h"
#include "http/fast_gzip.h"
#include "http/gated_http_server.h"
#include "http/health_probe.h"
#include "http/request_origin.h"
#include "pages/page_texts.h"
#include "pages/release_page.h"

namespace lintrove::service {
namespace {

constexpr const char* kXml = "text/xml; charset=UTF-8";
constexpr const char* kHtml = "text/html; charset=UTF-8";
constexpr const char* kText = "text/plain; charset=UTF-8";
constexpr int kBadRequest = 400;
constexpr int kTooLarge = 413;
constexpr int kTooManyRequests = 429;
constexpr int kServerError = 500;

using Clock = std::chrono::steady_clock;

// What the one log line of a request says, gathered while it is answered. A request is read,
// routed and answered on one worker thread.
struct RequestNote {
  Clock::time_point start;
  std::string origin;
  std::string what;  // the command, or the page
  std::size_t programs = 0;
  std::string refusal;
  bool routine = false;  // a health check: logged at debug level only
};
thread_local RequestNote note;

void StartNote() {
  note = RequestNote{};
  note.start = Clock::now();
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
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

std::string RequestLine(std::string_view what, std::size_t programs, int status, double seconds) {
  char time[32];
  std::snprintf(time, sizeof time, "%.2f ms", seconds * 1000);
  return std::string(what.empty() ? "-" : what) + " programs=" + std::to_string(programs) +
         " status=" + std::to_string(status) + " " + time;
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

void Refuse(const httplib::Request& request, httplib::Response& response, int status,
            std::string reason) {
  response.status = status;
  SetAnswer(request, response, ErrorAnswer(status, reason));
  note.refusal = std::move(reason);
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

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// "https://updates.example.org:8443/x" -> "updates.example.org:8443".
std::string Authority(std::string_view url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return {};
  url.remove_prefix(scheme + 3);
  return LowerAscii(url.substr(0, url.find('/')));
}

std::vector<std::string> HeaderValues(const httplib::Request& request, const std::string& name) {
  std::vector<std::string> values;
  for (std::size_t i = 0; i < request.get_header_value_count(name); ++i) {
    values.push_back(request.get_header_value(name, i));
  }
  return values;
}

}  // namespace

ServiceServer::ServiceServer(UpdateService& service, FeedbackPage& feedback, ServiceLog& log,
                             ServerSettings settings)
    : service_(service),
      feedback_(feedback),
      log_(log),
      settings_(std::move(settings)),
      rate_limiter_(settings_.rate_limit, settings_.rate_window),
      server_(std::make_unique<GatedHttpServer>([this](int socket) { gate_->Admit(socket); })),
      gate_(std::make_unique<ConnectionGate>(
          settings_.connections, settings_.trusted_proxies,
          [this](httplib::Stream& stream, bool close_connection, bool& connection_closed) {
            StartNote();
            return server_->AnswerRequest(stream, close_connection, connection_closed);
          },
          [this](int status, std::string_view reason) {
            metrics_.CountRequest("-", status, 0);
            log_.Write(LogLevel::Warning,
                       RequestLine("-", 0, status, 0) + " refused: " + std::string(reason));
          })) {
  Route();
}

ServiceServer::~ServiceServer() = default;

void ServiceServer::Route() {
  server_->set_payload_max_length(settings_.connections.max_body);
  server_->set_keep_alive_max_count(
      static_cast<std::size_t>(settings_.connections.keep_alive_requests));
  server_->set_keep_alive_timeout(settings_.connections.keep_alive_timeout.count());

  server_->set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        note.origin = RequestOrigin(request.remote_addr, HeaderValues(request, "X-Forwarded-For"),
                                    settings_.trusted_proxies);
        if (request.path == kHealthPath || request.path == kMetricsPath) {
          return httplib::Server::HandlerResponse::Unhandled;
        }
        if (!rate_limiter_.Admit(note.origin)) {
          response.set_header("Retry-After", std::to_string(rate_limiter_.RetryAfter().count()));
          Refuse(request, response, kTooManyRequests,
                 "too many requests from one address; try again later");
          return httplib::Server::HandlerResponse::Handled;
        }
        if (request.path != kEndpoint || request.method == "POST") {
          return httplib::Server::HandlerResponse::Unhandled;
        }
        response.set_header("Allow", "POST");
        Refuse(request, response, 405, "the endpoint takes POST only");
        return httplib::Server::HandlerResponse::Handled;
      });

  RouteEndpoint();
  RoutePages();

  // What httplib answers itself (no such path, a broken request) gets an error document as
  // well; what a handler answered is left as it is.
  server_->set_error_handler([](const httplib::Request& request, httplib::Response& response) {
    if (response.has_header("Content-Type")) return;
    response.set_content(ErrorAnswer(response.status, Reason(response.status)), kXml);
    note.what = request.method + " " + LoggedPath(request.path);
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
        response.status = kServerError;
        response.set_content(ErrorAnswer(kServerError, "internal error"), kXml);
        note.refusal = "failed: " + message;
        metrics_.CountDatabaseError();
      });
  server_->set_post_routing_handler(
      [this](const httplib::Request& request, const httplib::Response& response) {
        LogRequest(request, response);
      });
}

void ServiceServer::RouteEndpoint() {
  server_->Post(
      LiteralRoute(kEndpoint), [this](const httplib::Request& request, httplib::Response& response,
                                      const httplib::ContentReader& reader) {
        const std::size_t max_body = settings_.connections.max_body;
        std::string body;
        bool too_large = false;
        // Counted after decoding: a small compressed body may stand for a huge one.
        const bool complete = reader([&](const char* data, std::size_t length) {
          too_large = body.size() + length > max_body;
          if (!too_large) body.append(data, length);
          return !too_large;
        });
        if (!complete) {
          // What is left of the body may still be on its way: the connection cannot carry another
          // request.
          response.set_header("Connection", "close");
          Refuse(request, response, too_large ? kTooLarge : kBadRequest,
                 too_large ? "the request is larger than " + std::to_string(max_body) + " bytes"
                           : "the request body could not be read");
          return;
        }
        ServiceAnswer answer = service_.Answer(body, BaseUrl(request), note.origin);
        note.what = answer.command;
        note.programs = answer.programs;
        note.refusal = answer.error;
        if (answer.http_status == kServerError) {
          metrics_.CountDatabaseError();
          if (health_) health_->WriteFailed(answer.error);
        }
        response.status = answer.http_status;
        SetAnswer(request, response, std::move(answer.document));
      });
}

void ServiceServer::RoutePages() {
  const std::string feedback_path = LiteralRoute(FeedbackPage::kPath);
  server_->Get(feedback_path, [this](const httplib::Request& request, httplib::Response& response) {
    note.what = "GET feedback";
    SetPage(response, feedback_.Show(QueryOf(request)));
  });
  server_->Post(
      feedback_path, [this](const httplib::Request& request, httplib::Response& response) {
        note.what = "POST feedback";
        if (IsCrossSiteForm(request)) {
          note.refusal = "the form was sent from another site";
          SetPage(response, feedback_.RefuseForeignForm(QueryOf(request)));
          return;
        }
        SetPage(response, feedback_.Receive(QueryOf(request), request.get_param_value("subject"),
                                            request.get_param_value("comment")));
      });

  const Release& release = service_.CurrentRelease();
  if (!release.directory) return;
  server_->Get(LiteralRoute(ReleaseInfoPath(release)),
               [this](const httplib::Request& request, httplib::Response& response) {
                 note.what = "GET release page";
                 const PageLanguage language =
                     request.has_param("lcid")
                         ? LanguageOfLcid(request.get_param_value("lcid"))
                         : LanguageOfAcceptLanguage(request.get_header_value("Accept-Language"));
                 SetPage(response, {200, ReleaseInfoPage(service_.CurrentRelease(), language)});
               });
  for (const ReleaseSetup* setup : release.AllSetups()) {
    server_->Get(LiteralRoute(ReleaseSetupPath(release, *setup)),
                 [this, setup](const httplib::Request&, httplib::Response& response) {
                   ServeSetup(*setup, response);
                 });
  }
}

void ServiceServer::ServeSetup(const ReleaseSetup& setup, httplib::Response& response) {
  note.what = "GET setup";
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
}

void ServiceServer::ServeOperators(CatalogStore& store) {
  health_ = std::make_unique<HealthProbe>(store, settings_.health_timeout);
  server_->Get(
      LiteralRoute(kHealthPath), [this](const httplib::Request&, httplib::Response& response) {
        note.what = "GET health";
        note.routine = true;
        const HealthProbe::Finding finding = health_->Check();
        response.status = finding.healthy ? 200 : 503;
        // A proxy or load balancer must ask again, not remember.
        response.set_header("Cache-Control", "no-store");
        response.set_content(finding.healthy ? "ok\n" : finding.reason + "\n", kText);
        if (healthy_.exchange(finding.healthy) != finding.healthy) {
          log_.Write(finding.healthy ? LogLevel::Info : LogLevel::Warning,
                     finding.healthy ? "health: the catalog answers again"
                                     : "health: " + finding.reason + ": " + finding.detail);
        }
      });
  server_->Get(LiteralRoute(kMetricsPath), [this, &store](const httplib::Request&,
                                                          httplib::Response& response) {
    note.what = "GET metrics";
    note.routine = true;
    response.set_header("Cache-Control", "no-store");
    response.set_content(metrics_.Render(store.Counts(1)), "text/plain; version=0.0.4");
  });
}

void ServiceServer::LogRequest(const httplib::Request& request, const httplib::Response& response) {
  if (note.what.empty() && request.path != kEndpoint) {
    note.what = request.method + " " + LoggedPath(request.path);
  }
  const double seconds = SecondsSince(note.start);
  metrics_.CountRequest(note.what, response.status, seconds);
  const LogLevel level = note.routine             ? LogLevel::Debug
                         : response.status >= 500 ? LogLevel::Error
                         : response.status >= 400 ? LogLevel::Warning
                                                  : LogLevel::Info;
  if (!log_.Enabled(level)) return;
  std::string line = RequestLine(note.what, note.programs, response.status, seconds);
  if (!note.refusal.empty()) line += " refused: " + note.refusal;
  log_.Write(level, line);
}

// A form posted from another site's page (a forged report in a visitor's name). Browsers say
// where a post comes from in Sec-Fetch-Site, or at least in Origin; a program that sends
// neither is not a browser that could have been tricked.
bool ServiceServer::IsCrossSiteForm(const httplib::Request& request) const {
  if (request.has_header("Sec-Fetch-Site")) {
    const std::string site = request.get_header_value("Sec-Fetch-Site");
    return site != "same-origin" && site != "none";
  }
  if (!request.has_header("Origin")) return false;
  const std::string origin = Authority(request.get_header_value("Origin"));
  if (origin.empty()) return true;  // "null": a sandboxed or local page
  return origin != LowerAscii(request.get_header_value("Host")) && origin != Authority(public_url_);
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

bool ServiceServer::Stop(std::chrono::milliseconds grace) {
  server_->StopListening();
  return gate_->Stop(grace);
}

}  // namespace lintrove::service
