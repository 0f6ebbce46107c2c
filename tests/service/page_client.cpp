#include "page_client.h"

#include <gtest/gtest.h>

#include <httplib.h>

#include "pages/feedback_page.h"

namespace lintrove::test {

std::string FeedbackPath(const ProgramVerdict& verdict, const std::string& client_guid,
                         unsigned lcid) {
  const unsigned vid =
      verdict.current_version ? static_cast<unsigned>(verdict.current_version->int_version) : 0;
  return std::string(service::FeedbackPage::kPath) + "?lcid=" + std::to_string(lcid) +
         "&vid=" + std::to_string(vid) + "&hash=" + verdict.hash + "&cid=" + client_guid;
}

PageAnswer GetPage(const RunningService& service, const std::string& path,
                   const std::string& accept_language) {
  httplib::Client client("127.0.0.1", service.Port());
  httplib::Headers headers;
  if (!accept_language.empty()) headers.emplace("Accept-Language", accept_language);
  const httplib::Result result = client.Get(path, headers);
  EXPECT_TRUE(result) << httplib::to_string(result.error());
  if (!result) return {};
  return {result->status, result->body};
}

}  // namespace lintrove::test
