// winsock2.h must come before windows.h, which would otherwise bring the older winsock.h.
#include <winsock2.h>

#include <windows.h>
#include <winhttp.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstdint>
#include <cwctype>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/format.h"
#include "base/resource_strings.h"
#include "platform/http.h"
#include "platform/win32/wide_text.h"

namespace lintrove::platform {
namespace {

// The largest piece read at once.
constexpr DWORD kReadSlice = 64 * 1024;

// The WinHTTP errors a user meets, for systems whose winhttp.dll has no message texts (Wine).
const char* KnownWinHttpError(DWORD code) {
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
      return "The operation timed out";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return "The server name could not be resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return "A connection with the server could not be established";
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return "The connection with the server was reset or ended";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return "The server returned an invalid answer";
    case ERROR_WINHTTP_INVALID_URL:
      return "The address is invalid";
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      return "The address has an unsupported scheme";
    case ERROR_WINHTTP_REDIRECT_FAILED:
      return "The redirection failed";
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      return "A secure connection could not be established";
    case ERROR_WINHTTP_SECURE_FAILURE:
      return "The server's SSL certificate is not trusted";
    case ERROR_WINHTTP_SECURE_INVALID_CA:
      return "The server's SSL certificate has an unknown issuer";
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
      return "The server's SSL certificate has expired";
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
      return "The server's SSL certificate is for another name";
    default:
      return nullptr;
  }
}

// WinHTTP's own error codes have their texts in winhttp.dll, the others in the system.
std::string ErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const HMODULE winhttp = GetModuleHandleW(L"winhttp.dll");
  const bool own = code >= WINHTTP_ERROR_BASE && code <= WINHTTP_ERROR_LAST && winhttp != nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
          (own ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM),
      own ? winhttp : nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message;
  if (length > 0) {
    message = Narrow(std::wstring_view(text, length));
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
      message.pop_back();
    }
  }
  if (message.empty()) {
    const char* known = KnownWinHttpError(code);
    message = known != nullptr ? known : "WinHTTP error";
  }
  return Format("%s (%u)", message.c_str(), static_cast<unsigned>(code));
}

struct HandleCloser {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Undoes a gzip or deflate content encoding piece by piece, so that the size limit is checked
// against the decoded answer as it grows. WinHTTP's own decoding is left off: it is missing on
// older systems and under Wine, and one decoder for all of them behaves the same everywhere.
class Decoder {
 public:
  enum class Kind { kNone, kGzip, kDeflate };

  explicit Decoder(Kind kind) : kind_(kind) {
    if (kind_ == Kind::kNone) return;
    // gzip carries its own header; deflate is the zlib format, or raw deflate from some servers.
    if (inflateInit2(&stream_, kind_ == Kind::kGzip ? 16 + MAX_WBITS : MAX_WBITS) != Z_OK) {
      throw Error("zlib: cannot start decoding");
    }
    active_ = true;
  }
  ~Decoder() {
    if (active_) inflateEnd(&stream_);
  }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  void Feed(std::string_view input, std::string& output) {
    if (kind_ == Kind::kNone) {
      output.append(input);
      return;
    }
    if (finished_) return;  // anything after the end of the stream is no part of the answer
    if (!started_ && kind_ == Kind::kDeflate && !input.empty() && !LooksLikeZlib(input)) {
      inflateEnd(&stream_);
      if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw Error("zlib: cannot start decoding");
    }
    started_ = true;
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream_.avail_in = static_cast<uInt>(input.size());
    char buffer[16 * 1024];
    while (stream_.avail_in > 0 || stream_.avail_out == 0) {
      stream_.next_out = reinterpret_cast<Bytef*>(buffer);
      stream_.avail_out = sizeof buffer;
      const int result = inflate(&stream_, Z_NO_FLUSH);
      output.append(buffer, sizeof buffer - stream_.avail_out);
      if (result == Z_STREAM_END) {
        finished_ = true;
        return;
      }
      if (result != Z_OK && result != Z_BUF_ERROR) {
        throw Error(Format("Error while processing content unencoding: %s",
                           stream_.msg != nullptr ? stream_.msg : "invalid data"));
      }
      if (result == Z_BUF_ERROR) return;
    }
  }

 private:
  static bool LooksLikeZlib(std::string_view input) {
    if (input.size() < 2) return true;
    const auto first = static_cast<unsigned char>(input[0]);
    const auto second = static_cast<unsigned char>(input[1]);
    return (first & 0x0F) == 8 && ((first << 8) | second) % 31 == 0;
  }

  Kind kind_;
  z_stream stream_{};
  bool active_ = false;
  bool started_ = false;
  bool finished_ = false;
};

// How many pieces of an answer the exchange's thread reads ahead of the caller.
constexpr std::size_t kPiecesAhead = 16;
// How often a caller waiting for the service asks its progress callback whether to go on.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// What the caller learns once the service has answered with its status line and headers.
struct AnswerHead {
  long status = 0;
  Decoder::Kind encoding = Decoder::Kind::kNone;
  std::uint64_t content_length = 0;  // 0: not said
};

// The blocking calls of one exchange, on a thread of their own. WinHTTP's blocking calls ask
// nobody while they wait, and under Wine they go on waiting even when their handle is closed
// from another thread, so a caller that waited in them could not be cancelled before the stall
// limit. Here the caller waits on this state instead, asks its progress callback meanwhile, and
// simply walks away when told to stop: the thread owns the handles (and a share of the session)
// and ends on its own, at once or when its blocking call returns.
class ExchangeThread {
 public:
  ExchangeThread(std::shared_ptr<void> session, Handle connection, Handle request, std::string body)
      : state_(std::make_shared<State>()) {
    state_->session = std::move(session);
    state_->connection = std::move(connection);
    state_->request = std::move(request);
    state_->body = std::move(body);
    std::thread([state = state_] { Run(*state); }).detach();
  }
  ~ExchangeThread() {
    const std::lock_guard lock(state_->mutex);
    state_->abandoned = true;
    state_->changed.notify_all();
  }
  ExchangeThread(const ExchangeThread&) = delete;
  ExchangeThread& operator=(const ExchangeThread&) = delete;

  // Waits for the status line and headers. Returns the error code when the exchange failed.
  DWORD WaitForHead(const HttpProgress& progress, AnswerHead& head) {
    std::unique_lock lock(state_->mutex);
    for (;;) {
      if (state_->answered) {
        head = state_->head;
        return 0;
      }
      if (state_->finished) return state_->error;
      const auto ready = [this] { return state_->answered || state_->finished; };
      if (!AskProgress(lock, ready, progress, 0, 0)) return kCancelled;
    }
  }

  // Hands the body to `take` piece by piece. Returns the error code when the exchange failed.
  DWORD ReadBody(const HttpProgress& progress, std::uint64_t total,
                 const std::function<void(std::string_view)>& take) {
    std::uint64_t received = 0;
    std::unique_lock lock(state_->mutex);
    for (;;) {
      const auto ready = [this] { return state_->finished || !state_->pieces.empty(); };
      if (!AskProgress(lock, ready, progress, received, total)) return kCancelled;
      if (!state_->pieces.empty()) {
        const std::string piece = std::move(state_->pieces.front());
        state_->pieces.pop_front();
        state_->changed.notify_all();
        lock.unlock();
        take(piece);
        received += piece.size();
        lock.lock();
      } else if (state_->finished) {
        return state_->error;
      }
    }
  }

  // Not a WinHTTP code: the caller's progress callback said stop.
  static constexpr DWORD kCancelled = 0xFFFFFFFF;

 private:
  struct State {
    std::shared_ptr<void> session;
    Handle connection;
    Handle request;
    std::string body;
    std::mutex mutex;
    std::condition_variable changed;
    AnswerHead head;
    bool answered = false;
    bool finished = false;  // no more of the body will come
    DWORD error = 0;        // why it ended early
    std::deque<std::string> pieces;
    bool abandoned = false;
  };

  // Asks the callback how to go on once the caller has something to do, or some time passed
  // without it.
  bool AskProgress(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready,
                   const HttpProgress& progress, std::uint64_t received, std::uint64_t total) {
    state_->changed.wait_for(lock, kProgressInterval, ready);
    if (!progress) return true;
    lock.unlock();
    const bool go_on = progress(received, total);
    lock.lock();
    return go_on;
  }

  static void Run(State& state) {
    HINTERNET request = state.request.get();
    const auto fail = [&state] {
      const DWORD code = GetLastError();
      const std::lock_guard lock(state.mutex);
      state.error = code;
      state.finished = true;
      state.changed.notify_all();
    };
    const DWORD size = static_cast<DWORD>(state.body.size());
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, state.body.data(), size,
                            size, 0) ||
        !WinHttpReceiveResponse(request, nullptr)) {
      return fail();
    }
    AnswerHead head;
    DWORD status = 0;
    DWORD status_size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                             WINHTTP_NO_HEADER_INDEX)) {
      return fail();
    }
    head.status = static_cast<long>(status);
    head.encoding = Encoding(request);
    head.content_length = ContentLength(request);
    {
      const std::lock_guard lock(state.mutex);
      state.head = head;
      state.answered = true;
      state.changed.notify_all();
    }
    std::vector<char> buffer(kReadSlice);
    for (;;) {
      {
        std::unique_lock lock(state.mutex);
        state.changed.wait(
            lock, [&state] { return state.abandoned || state.pieces.size() < kPiecesAhead; });
        if (state.abandoned) return;
      }
      DWORD read = 0;
      if (!WinHttpReadData(request, buffer.data(), kReadSlice, &read)) return fail();
      const std::lock_guard lock(state.mutex);
      if (read == 0) {
        state.finished = true;
      } else {
        state.pieces.emplace_back(buffer.data(), read);
      }
      state.changed.notify_all();
      if (read == 0) return;
    }
  }

  static std::wstring Header(HINTERNET request, DWORD which) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (size == 0) return {};
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
      return {};
    }
    value.resize(size / sizeof(wchar_t));
    return value;
  }

  static Decoder::Kind Encoding(HINTERNET request) {
    std::wstring value = Header(request, WINHTTP_QUERY_CONTENT_ENCODING);
    for (wchar_t& c : value) c = static_cast<wchar_t>(towlower(c));
    if (value == L"gzip" || value == L"x-gzip") return Decoder::Kind::kGzip;
    if (value == L"deflate") return Decoder::Kind::kDeflate;
    return Decoder::Kind::kNone;
  }

  static std::uint64_t ContentLength(HINTERNET request) {
    const std::string text = Narrow(Header(request, WINHTTP_QUERY_CONTENT_LENGTH));
    std::uint64_t length = 0;
    std::from_chars(text.data(), text.data() + text.size(), length);
    return length;
  }

  std::shared_ptr<State> state_;
};

class WinHttp final : public Http {
 public:
  explicit WinHttp(HttpLimits limits) : limits_(limits) {
    // No agent string: the caller's User-Agent header is the only one. The user's proxy settings
    // apply; systems before Windows 8.1 know only the older default proxy.
    HINTERNET session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session == nullptr) {
      session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, 0);
    }
    if (session == nullptr) Fail(GetLastError());
    session_.reset(session, HandleCloser());
    const int timeout = StallTimeoutMs();
    if (!WinHttpSetTimeouts(session, timeout, timeout, timeout, timeout)) Fail(GetLastError());
  }

  HttpAnswer Post(const std::string& url, std::span<const HttpHeader> headers,
                  std::string_view body, const HttpProgress& progress) override {
    Exchange exchange = Open(url, L"POST");
    HINTERNET request = exchange.request.get();
    // The headers HTTP needs are set here, around the caller's, so that they come in the same
    // order as from the libcurl transport: WinHTTP adds only those still missing.
    AddHeader(request, {"Host", exchange.host});
    for (const HttpHeader& header : headers) AddHeader(request, header);
    AddHeader(request, {"Content-Length", std::to_string(body.size())});
    AddHeader(request, {"Connection", "Keep-Alive"});
    ExchangeThread thread(session_, std::move(exchange.connection), std::move(exchange.request),
                          std::string(body));
    AnswerHead head;
    Check(thread.WaitForHead(progress, head));
    HttpAnswer answer;
    answer.status = head.status;
    Decoder decoder(head.encoding);
    Check(thread.ReadBody(progress, head.content_length, [&](std::string_view bytes) {
      decoder.Feed(bytes, answer.body);
      if (answer.body.size() > limits_.max_answer_bytes) {
        throw Error(Format(LoadResString(ResString::ServiceAnswerTooLarge),
                           static_cast<std::uint64_t>(limits_.max_answer_bytes / 1024)));
      }
    }));
    return answer;
  }

  void Download(const std::string& url, const HttpSink& sink,
                const HttpProgress& progress) override {
    Exchange exchange = Open(url, L"GET");
    ExchangeThread thread(session_, std::move(exchange.connection), std::move(exchange.request),
                          {});
    AnswerHead head;
    Check(thread.WaitForHead(progress, head));
    if (head.status >= 400) {
      throw Error(Format("The requested URL returned error: %d", static_cast<int>(head.status)));
    }
    Check(thread.ReadBody(progress, head.content_length, sink));
  }

 private:
  struct Exchange {
    std::string host;  // with the port unless it is the scheme's own
    Handle connection;
    Handle request;
  };

  int StallTimeoutMs() const {
    return static_cast<int>(std::clamp<std::int64_t>(limits_.stall_timeout.count(), 1, 0x7FFFFFFF));
  }

  void Check(DWORD code) const {
    if (code == ExchangeThread::kCancelled) {
      throw HttpCancelled(LoadResString(ResString::TransferCancelled));
    }
    if (code != 0) Fail(code);
  }

  [[noreturn]] void Fail(DWORD code) const {
    // Wine passes on the socket's own timeout.
    if (code == ERROR_WINHTTP_TIMEOUT || code == WSAETIMEDOUT) {
      const auto seconds = std::chrono::ceil<std::chrono::seconds>(limits_.stall_timeout);
      throw Error(Format(LoadResString(ResString::ServiceStalled),
                         static_cast<std::int64_t>(seconds.count())));
    }
    throw Error(ErrorText(code));
  }

  Exchange Open(const std::string& url, const wchar_t* verb) const {
    const std::wstring wide_url = Wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wide_url.c_str(), 0, 0, &parts)) Fail(GetLastError());
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
      throw Error(Format("Protocol not supported: %s", url.c_str()));
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    Exchange exchange;
    exchange.host = Narrow(host);
    const bool https = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (parts.nPort != (https ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT)) {
      exchange.host += ":" + std::to_string(parts.nPort);
    }
    exchange.connection.reset(WinHttpConnect(session_.get(), host.c_str(), parts.nPort, 0));
    if (!exchange.connection) Fail(GetLastError());
    const DWORD flags = https ? WINHTTP_FLAG_SECURE : 0;
    exchange.request.reset(WinHttpOpenRequest(exchange.connection.get(), verb, path.c_str(),
                                              nullptr, WINHTTP_NO_REFERER,
                                              WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!exchange.request) Fail(GetLastError());
    // Set on the request as well: Wine's requests do not take all of them from the session, and
    // waiting for the answer's header has a limit of its own.
    const int timeout = StallTimeoutMs();
    if (!WinHttpSetTimeouts(exchange.request.get(), timeout, timeout, timeout, timeout)) {
      Fail(GetLastError());
    }
    DWORD response_timeout = static_cast<DWORD>(timeout);
    WinHttpSetOption(exchange.request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                     &response_timeout, sizeof response_timeout);
    return exchange;
  }

  void AddHeader(HINTERNET request, const HttpHeader& header) const {
    const std::wstring line = Wide(header.name + ": " + header.value);
    if (!WinHttpAddRequestHeaders(request, line.c_str(), static_cast<DWORD>(line.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
      Fail(GetLastError());
    }
  }

  HttpLimits limits_;
  // Shared with the threads of exchanges a caller walked away from, which may still use it.
  std::shared_ptr<void> session_;
};

}  // namespace

std::unique_ptr<Http> CreateHttp(HttpLimits limits) { return std::make_unique<WinHttp>(limits); }

}  // namespace lintrove::platform
