#include <winsock2.h>
#include <windows.h>
#include <winhttp.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cwctype>
#include <memory>
#include <vector>

#include "base/format.h"
#include "base/resource_strings.h"
#include "platform/http.h"
#include "platform/win32/wide_text.h"

namespace lintrove::platform {
namespace {

// The largest piece read at once; also bounds how late a cancel is noticed on a fast answer.
constexpr DWORD kReadSlice = 64 * 1024;

// The WinHTTP errors a user meets, for systems whose winhttp.dll has no message texts (Wine).
const char* KnownWinHttpError(DWORD code) {
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT: return "The operation timed out";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "The server name could not be resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT: return "A connection with the server could not be established";
    case ERROR_WINHTTP_CONNECTION_ERROR: return "The connection with the server was reset or ended";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "The server returned an invalid answer";
    case ERROR_WINHTTP_INVALID_URL: return "The address is invalid";
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return "The address has an unsupported scheme";
    case ERROR_WINHTTP_REDIRECT_FAILED: return "The redirection failed";
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: return "A secure connection could not be established";
    case ERROR_WINHTTP_SECURE_FAILURE: return "The server's SSL certificate is not trusted";
    case ERROR_WINHTTP_SECURE_INVALID_CA: return "The server's SSL certificate has an unknown issuer";
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID: return "The server's SSL certificate has expired";
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
      return "The server's SSL certificate is for another name";
    default: return nullptr;
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

class WinHttp final : public Http {
 public:
  explicit WinHttp(HttpLimits limits) : limits_(limits) {
    // No agent string: the caller's User-Agent header is the only one. The user's proxy settings
    // apply; systems before Windows 8.1 know only the older default proxy.
    session_.reset(
        WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                    WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session_) {
      session_.reset(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                 WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    }
    if (!session_) Fail();
    const int timeout = StallTimeoutMs();
    if (!WinHttpSetTimeouts(session_.get(), timeout, timeout, timeout, timeout)) Fail();
  }

  HttpAnswer Post(const std::string& url, std::span<const HttpHeader> headers,
                  std::string_view body, const HttpProgress& progress) override {
    const Exchange exchange = Open(url, L"POST");
    HINTERNET request = exchange.request.get();
    // The headers HTTP needs are set here, around the caller's, so that they come in the same
    // order as from the libcurl transport: WinHTTP adds only those still missing.
    AddHeader(request, {"Host", exchange.host});
    for (const HttpHeader& header : headers) AddHeader(request, header);
    AddHeader(request, {"Content-Length", std::to_string(body.size())});
    AddHeader(request, {"Connection", "Keep-Alive"});
    Send(request, body);
    HttpAnswer answer;
    answer.status = Status(request);
    Decoder decoder(Encoding(request));
    Read(request, progress, ContentLength(request), [&](std::string_view bytes) {
      decoder.Feed(bytes, answer.body);
      if (answer.body.size() > limits_.max_answer_bytes) {
        throw Error(Format(LoadResString(ResString::ServiceAnswerTooLarge),
                           static_cast<std::uint64_t>(limits_.max_answer_bytes / 1024)));
      }
    });
    return answer;
  }

  void Download(const std::string& url, const HttpSink& sink,
                const HttpProgress& progress) override {
    const Exchange exchange = Open(url, L"GET");
    HINTERNET request = exchange.request.get();
    Send(request, {});
    const long status = Status(request);
    if (status >= 400) {
      throw Error(Format("The requested URL returned error: %d", static_cast<int>(status)));
    }
    Read(request, progress, ContentLength(request), sink);
  }

 private:
  struct Exchange {
    std::string host;  // with the port unless it is the scheme's own
    Handle connection;
    Handle request;
  };

  int StallTimeoutMs() const {
    return static_cast<int>(
        std::clamp<std::int64_t>(limits_.stall_timeout.count(), 1, 0x7FFFFFFF));
  }

  [[noreturn]] void Fail() const {
    const DWORD code = GetLastError();
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
    if (!WinHttpCrackUrl(wide_url.c_str(), 0, 0, &parts)) Fail();
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
    if (!exchange.connection) Fail();
    const DWORD flags = https ? WINHTTP_FLAG_SECURE : 0;
    exchange.request.reset(WinHttpOpenRequest(exchange.connection.get(), verb, path.c_str(),
                                              nullptr, WINHTTP_NO_REFERER,
                                              WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!exchange.request) Fail();
    // Set on the request as well: Wine's requests do not take all of them from the session, and
    // waiting for the answer's header has a limit of its own.
    const int timeout = StallTimeoutMs();
    if (!WinHttpSetTimeouts(exchange.request.get(), timeout, timeout, timeout, timeout)) Fail();
    DWORD response_timeout = static_cast<DWORD>(timeout);
    WinHttpSetOption(exchange.request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                     &response_timeout, sizeof response_timeout);
    return exchange;
  }

  void AddHeader(HINTERNET request, const HttpHeader& header) const {
    const std::wstring line = Wide(header.name + ": " + header.value);
    if (!WinHttpAddRequestHeaders(request, line.c_str(), static_cast<DWORD>(line.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
      Fail();
    }
  }

  void Send(HINTERNET request, std::string_view body) const {
    const DWORD size = static_cast<DWORD>(body.size());
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            const_cast<char*>(body.data()), size, size, 0) ||
        !WinHttpReceiveResponse(request, nullptr)) {
      Fail();
    }
  }

  long Status(HINTERNET request) const {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
      Fail();
    }
    return static_cast<long>(status);
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

  void Read(HINTERNET request, const HttpProgress& progress, std::uint64_t total,
            const HttpSink& sink) const {
    std::vector<char> buffer(kReadSlice);
    std::uint64_t received = 0;
    for (;;) {
      if (progress && !progress(received, total)) {
        throw HttpCancelled(LoadResString(ResString::TransferCancelled));
      }
      DWORD read = 0;
      if (!WinHttpReadData(request, buffer.data(), kReadSlice, &read)) Fail();
      if (read == 0) return;
      received += read;
      sink(std::string_view(buffer.data(), read));
    }
  }

  HttpLimits limits_;
  Handle session_;
};

}  // namespace

std::unique_ptr<Http> CreateHttp(HttpLimits limits) { return std::make_unique<WinHttp>(limits); }

}  // namespace lintrove::platform
