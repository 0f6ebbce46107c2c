#include "http/request_framing.h"

#include <charconv>
#include <optional>

namespace lintrove::service {
namespace {

constexpr std::string_view kEndOfHead = "\r\n\r\n";

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The value of the first header of that name, as the HTTP library reads it too.
std::optional<std::string_view> HeaderValue(std::string_view head, std::string_view name) {
  std::size_t line_start = head.find("\r\n");
  while (line_start != std::string_view::npos && line_start + 2 < head.size()) {
    line_start += 2;
    const std::size_t line_end = head.find("\r\n", line_start);
    const std::string_view line = head.substr(line_start, line_end - line_start);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && SameLetters(line.substr(0, colon), name)) {
      return Trimmed(line.substr(colon + 1));
    }
    line_start = line_end;
  }
  return std::nullopt;
}

bool IsHealthCheck(std::string_view head) {
  const std::string_view request_line = head.substr(0, head.find("\r\n"));
  for (std::string_view method : {"GET ", "HEAD "}) {
    if (!request_line.starts_with(method)) continue;
    std::string_view target = request_line.substr(method.size());
    target = target.substr(0, target.find_first_of(" ?"));
    return target == "/health";
  }
  return false;
}

}  // namespace

RequestFrame FrameRequest(std::string_view received, std::size_t max_head, std::size_t max_body) {
  RequestFrame frame;
  const std::size_t end = received.find(kEndOfHead);
  if (end == std::string_view::npos || end + kEndOfHead.size() > max_head) {
    const bool too_large = received.size() >= max_head;
    frame.state = too_large ? RequestFrame::State::HeadTooLarge : RequestFrame::State::Incomplete;
    return frame;
  }
  frame.head_size = end + kEndOfHead.size();
  const std::string_view head = received.substr(0, frame.head_size);
  frame.health_check = IsHealthCheck(head);
  const std::optional<std::string_view> expect = HeaderValue(head, "Expect");
  frame.expects_continue = expect && SameLetters(*expect, "100-continue");
  if (HeaderValue(head, "Transfer-Encoding")) {
    frame.state = RequestFrame::State::LengthRequired;
    return frame;
  }
  if (const std::optional<std::string_view> length = HeaderValue(head, "Content-Length")) {
    std::size_t size = 0;
    const auto [last, error] =
        std::from_chars(length->data(), length->data() + length->size(), size);
    if (length->empty() || error != std::errc() || last != length->data() + length->size()) {
      frame.state = RequestFrame::State::Malformed;
      return frame;
    }
    frame.body_over_limit = size > max_body;
    frame.body_size = frame.body_over_limit ? 0 : size;
  }
  frame.state = RequestFrame::State::Complete;
  return frame;
}

}  // namespace lintrove::service
