// Where a request's head ends and how much body follows, as the connection gate reads it
// before any worker sees the request.
#include <gtest/gtest.h>

#include "http/request_framing.h"

namespace lintrove::service {
namespace {

using State = RequestFrame::State;

constexpr std::size_t kMaxHead = 64;
constexpr std::size_t kMaxBody = 100;

TEST(RequestFramingTest, FramesWhatHasArrivedSoFar) {
  const struct {
    const char* what;
    std::string received;
    State state;
    std::size_t head_size;
    std::size_t body_size;
    bool over_limit;
    bool expects_continue;
    bool health_check;
  } cases[] = {
      {"half a head", "POST /x HTTP/1.1\r\nHost: a\r\n", State::Incomplete, 0, 0, false, false,
       false},
      {"a head without a body", "GET /x HTTP/1.1\r\n\r\n", State::Complete, 19, 0, false, false,
       false},
      {"a length in any letter case", "POST /x HTTP/1.1\r\ncontent-LENGTH:  12 \r\n\r\n",
       State::Complete, 42, 12, false, false, false},
      {"the first of two lengths, as the HTTP library takes it",
       "POST / HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 9\r\n\r\n", State::Complete, 57, 3,
       false, false, false},
      {"a length over the limit", "POST / HTTP/1.1\r\nContent-Length: 101\r\n\r\n", State::Complete,
       40, 0, true, false, false},
      {"a length that is no number", "POST / HTTP/1.1\r\nContent-Length: 1e3\r\n\r\n",
       State::Malformed, 40, 0, false, false, false},
      {"a negative length", "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", State::Malformed, 39,
       0, false, false, false},
      {"a chunked body", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n",
       State::LengthRequired, 47, 0, false, false, false},
      {"a head longer than the limit", "GET / HTTP/1.1\r\nX: " + std::string(60, 'a'),
       State::HeadTooLarge, 0, 0, false, false, false},
      {"a client waiting to send its body",
       "POST / HTTP/1.1\r\nExpect: 100-Continue\r\nContent-Length: 5\r\n\r\n", State::Complete, 60,
       5, false, true, false},
      {"the health check", "GET /health HTTP/1.1\r\n\r\n", State::Complete, 24, 0, false, false,
       true},
      {"the health check's head", "HEAD /health?x=1 HTTP/1.1\r\n\r\n", State::Complete, 29, 0,
       false, false, true},
      {"a look-alike of the health check", "GET /healthz HTTP/1.1\r\n\r\n", State::Complete, 25, 0,
       false, false, false},
      {"the metrics, which read the catalog", "GET /metrics HTTP/1.1\r\n\r\n", State::Complete, 25,
       0, false, false, false},
      {"a post to the health check", "POST /health HTTP/1.1\r\n\r\n", State::Complete, 25, 0, false,
       false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const RequestFrame frame = FrameRequest(c.received, kMaxHead, kMaxBody);
    EXPECT_EQ(frame.state, c.state);
    if (c.state == State::Complete) {
      EXPECT_EQ(frame.head_size, c.head_size);
      EXPECT_EQ(frame.body_size, c.body_size);
    }
    EXPECT_EQ(frame.body_over_limit, c.over_limit);
    EXPECT_EQ(frame.expects_continue, c.expects_continue);
    EXPECT_EQ(frame.health_check, c.health_check);
  }
}

TEST(RequestFramingTest, APipelinedRequestIsNotPartOfTheFirst) {
  const std::string first = "POST / HTTP/1.1\r\nContent-Length: 2\r\n\r\nok";
  const RequestFrame frame =
      FrameRequest(first + "GET /health HTTP/1.1\r\n\r\n", kMaxHead, kMaxBody);
  ASSERT_EQ(frame.state, State::Complete);
  EXPECT_EQ(frame.head_size + frame.body_size, first.size());
  EXPECT_FALSE(frame.health_check);
}

}  // namespace
}  // namespace lintrove::service
