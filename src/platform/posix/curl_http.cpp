#include <curl/curl.h>

#include <algorithm>
#include <exception>
#include <utility>

#include "base/format.h"
#include "base/resource_strings.h"
#include "platform/http.h"

namespace lintrove::platform {
namespace {

using Clock = std::chrono::steady_clock;

// The longest single wait for network activity: bounds how late a stall or a cancel is noticed.
constexpr std::chrono::milliseconds kPollSlice{100};

void InitCurlOnce() {
  static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (result != CURLE_OK) throw Error(curl_easy_strerror(result));
}

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

// What the callbacks of one exchange collect.
struct Reception {
  std::size_t limit = 0;
  std::string body;
  bool too_large = false;
  // Whether the header of the last response has ended with its empty line. libcurl takes a
  // connection closed in the middle of the header for the end of an answer without a body.
  bool header_complete = false;
};

std::size_t ReadHeaderLine(char* data, std::size_t size, std::size_t count, void* context) {
  auto& reception = *static_cast<Reception*>(context);
  const std::string_view line(data, size * count);
  // A redirect or an interim answer is followed by another response with a header of its own.
  if (line.starts_with("HTTP/")) reception.header_complete = false;
  if (line == "\r\n" || line == "\n") reception.header_complete = true;
  return size * count;
}

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* context) {
  auto& reception = *static_cast<Reception*>(context);
  const std::size_t bytes = size * count;
  if (bytes > reception.limit - reception.body.size()) {
    reception.too_large = true;
    return 0;  // makes libcurl abort the transfer
  }
  reception.body.append(data, bytes);
  return bytes;
}

// Where a download's body goes. An error of the sink cannot pass through libcurl, a C library:
// it is kept and raised again once the transfer has ended.
struct DownloadSink {
  const HttpSink* sink = nullptr;
  std::exception_ptr error;
};

std::size_t WriteToSink(char* data, std::size_t size, std::size_t count, void* context) {
  auto& target = *static_cast<DownloadSink*>(context);
  try {
    (*target.sink)(std::string_view(data, size * count));
  } catch (...) {
    target.error = std::current_exception();
    return 0;  // makes libcurl abort the transfer
  }
  return size * count;
}

class CurlHttp final : public Http {
 public:
  explicit CurlHttp(HttpLimits limits) : limits_(limits) {
    InitCurlOnce();
    easy_.reset(curl_easy_init());
    multi_.reset(curl_multi_init());
    if (!easy_ || !multi_) throw Error(curl_easy_strerror(CURLE_FAILED_INIT));
  }

  HttpAnswer Post(const std::string& url, std::span<const HttpHeader> headers,
                  std::string_view body, const HttpProgress& progress) override {
    // Reset keeps the connection cache, so the requests of one transport share a connection.
    curl_easy_reset(easy_.get());
    char error_text[CURL_ERROR_SIZE] = "";
    Reception reception{limits_.max_answer_bytes, {}, false, false};
    Slist header_list = HeaderList(headers);
    // Last, as WinHTTP sends them: the two transports' requests are the same bytes.
    AppendHeader(header_list, "Content-Length: " + std::to_string(body.size()));
    AppendHeader(header_list, "Connection: Keep-Alive");

    CURL* easy = easy_.get();
    SetCommonOptions(url, error_text);
    curl_easy_setopt(easy, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    // A null body would make libcurl read the body from standard input.
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data() != nullptr ? body.data() : "");
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    // Enables decoding; the header itself is the caller's (a header of its own wins).
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, header_list.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reception);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &ReadHeaderLine);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &reception);

    const CURLcode result = Run(progress);
    if (reception.too_large) {
      throw Error(Format(LoadResString(ResString::ServiceAnswerTooLarge),
                         static_cast<std::uint64_t>(limits_.max_answer_bytes / 1024)));
    }
    if (result != CURLE_OK) {
      throw Error(error_text[0] != '\0' ? error_text : curl_easy_strerror(result));
    }
    if (!reception.header_complete) throw Error(LoadResString(ResString::AnswerHeaderCut));
    HttpAnswer answer;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &answer.status);
    answer.body = std::move(reception.body);
    return answer;
  }

  void Download(const std::string& url, const HttpSink& sink,
                const HttpProgress& progress) override {
    curl_easy_reset(easy_.get());
    char error_text[CURL_ERROR_SIZE] = "";
    DownloadSink target{&sink, nullptr};
    CURL* easy = easy_.get();
    SetCommonOptions(url, error_text);
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteToSink);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &target);

    const CURLcode result = Run(progress);
    if (target.error) std::rethrow_exception(target.error);
    if (result != CURLE_OK) {
      throw Error(error_text[0] != '\0' ? error_text : curl_easy_strerror(result));
    }
  }

 private:
  void SetCommonOptions(const std::string& url, char* error_text) {
    CURL* easy = easy_.get();
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error_text);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  }

  static void AppendHeader(Slist& list, const std::string& line) {
    curl_slist* extended = curl_slist_append(list.get(), line.c_str());
    if (extended == nullptr) throw Error(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    list.release();
    list.reset(extended);
  }

  static Slist HeaderList(std::span<const HttpHeader> headers) {
    Slist list;
    for (const HttpHeader& header : headers) AppendHeader(list, header.name + ": " + header.value);
    // A name without a value takes away a header libcurl would add of its own.
    AppendHeader(list, "Accept:");
    AppendHeader(list, "Expect:");
    return list;
  }

  // Drives the transfer in slices so that a stall or a cancel ends it, however the server
  // behaves.
  CURLcode Run(const HttpProgress& progress) {
    CURL* easy = easy_.get();
    CURLM* multi = multi_.get();
    if (CURLMcode added = curl_multi_add_handle(multi, easy); added != CURLM_OK) {
      throw Error(curl_multi_strerror(added));
    }
    struct Detach {
      CURLM* multi;
      CURL* easy;
      ~Detach() { curl_multi_remove_handle(multi, easy); }
    } detach{multi, easy};

    std::uint64_t moved = 0;
    Clock::time_point last_activity = Clock::now();
    for (;;) {
      int running = 0;
      if (CURLMcode performed = curl_multi_perform(multi, &running); performed != CURLM_OK) {
        throw Error(curl_multi_strerror(performed));
      }
      if (running == 0) break;

      const std::uint64_t now_moved = BytesMoved();
      if (now_moved != moved) {
        moved = now_moved;
        last_activity = Clock::now();
      }
      const auto idle = Clock::now() - last_activity;
      if (idle >= limits_.stall_timeout) {
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(limits_.stall_timeout);
        throw Error(Format(LoadResString(ResString::ServiceStalled),
                           static_cast<std::int64_t>(seconds.count())));
      }
      if (progress && !progress(Received(), ExpectedSize())) {
        throw HttpCancelled(LoadResString(ResString::TransferCancelled));
      }
      const auto wait = std::min<Clock::duration>(kPollSlice, limits_.stall_timeout - idle);
      const auto wait_ms =
          std::max<std::int64_t>(1, std::chrono::ceil<std::chrono::milliseconds>(wait).count());
      if (CURLMcode polled = curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait_ms), nullptr);
          polled != CURLM_OK) {
        throw Error(curl_multi_strerror(polled));
      }
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
        return message->data.result;
      }
    }
    return CURLE_OK;
  }

  std::uint64_t Received() const {
    curl_off_t bytes = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_DOWNLOAD_T, &bytes);
    return static_cast<std::uint64_t>(bytes);
  }

  std::uint64_t ExpectedSize() const {
    curl_off_t bytes = -1;
    curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &bytes);
    return bytes > 0 ? static_cast<std::uint64_t>(bytes) : 0;
  }

  std::uint64_t BytesMoved() const {
    curl_off_t uploaded = 0;
    long header_bytes = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded);
    curl_easy_getinfo(easy_.get(), CURLINFO_HEADER_SIZE, &header_bytes);
    return Received() + static_cast<std::uint64_t>(uploaded) +
           static_cast<std::uint64_t>(header_bytes);
  }

  HttpLimits limits_;
  std::unique_ptr<CURL, EasyDeleter> easy_;
  std::unique_ptr<CURLM, MultiDeleter> multi_;
};

}  // namespace

std::unique_ptr<Http> CreateHttp(HttpLimits limits) { return std::make_unique<CurlHttp>(limits); }

}  // namespace lintrove::platform
