#include "flows/feedback_address.h"

#include <gtest/gtest.h>

#include <memory>

namespace lintrove {
namespace {

constexpr std::string_view kGuid = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
constexpr std::string_view kEncodedGuid = "%7B0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0%7D";

ProgramVerdict Judged(ProgramStatus status, std::int32_t version_id, std::string hash) {
  ProgramVerdict verdict;
  verdict.status = status;
  verdict.current_version = std::make_unique<OfferedVersion>();
  verdict.current_version->int_version = version_id;
  verdict.hash = std::move(hash);
  return verdict;
}

TEST(FeedbackAddressTest, CarriesSchemeServiceAndQueryInOrder) {
  const struct {
    const char* name;
    bool ssl;
    std::string_view service;
    std::int32_t version_id;
    std::string hash;
    std::uint32_t lcid;
    std::string expected;
  } cases[] = {
      {"encrypted", true, "dienst.example/updateservicefeedback1400.php", 8812, "5f2b09ae", 1031,
       "https://dienst.example/"
       "updateservicefeedback1400.php?lcid=1031&vid=8812&hash=5f2b09ae&cid=" +
           std::string(kEncodedGuid)},
      {"plain, no service address", false, "", 1, "ab", 9,
       "http://?lcid=9&vid=1&hash=ab&cid=" + std::string(kEncodedGuid)},
      // The identifier is printed as the unsigned number of its 32 bits, the locale in decimal.
      {"negative identifier, no locale", true, "h/p", -2, "", 0,
       "https://h/p?lcid=0&vid=4294967294&hash=&cid=" + std::string(kEncodedGuid)},
      // A hash cannot add a parameter, cut the query short or change an escape.
      {"hash with reserved characters", false, "h/p", 7, "a&cid=x#y%20 z+", 3082,
       "http://h/p?lcid=3082&vid=7&hash=a%26cid%3Dx%23y%2520%20z%2B&cid=" +
           std::string(kEncodedGuid)},
      {"hash beyond ASCII", false, "h/p", 7, "\xC3\xA4-._~", 1031,
       "http://h/p?lcid=1031&vid=7&hash=%C3%A4-._~&cid=" + std::string(kEncodedGuid)},
  };
  for (const auto& c : cases) {
    const ProgramVerdict verdict = Judged(ProgramStatus::Current, c.version_id, c.hash);
    EXPECT_EQ(FeedbackPageAddress(
                  verdict,
                  {.ssl = c.ssl, .service_url = c.service, .client_guid = kGuid, .lcid = c.lcid}),
              c.expected)
        << c.name;
  }
}

TEST(FeedbackAddressTest, OnlyAJudgedProgramWithAKnownVersionHasAPage) {
  const FeedbackPageSettings settings{.service_url = "h/p", .client_guid = kGuid, .lcid = 1031};
  for (ProgramStatus status :
       {ProgramStatus::Unsupported, ProgramStatus::Current, ProgramStatus::NewVersion}) {
    const ProgramVerdict verdict = Judged(status, 5, "ff");
    EXPECT_TRUE(OffersFeedbackPage(verdict)) << int(status);
    EXPECT_TRUE(FeedbackPageAddress(verdict, settings)) << int(status);
  }

  // Never checked yet, or not supported by a service that never knew the program.
  ProgramVerdict unknown;
  ProgramVerdict never_supported;
  never_supported.status = ProgramStatus::Unsupported;
  for (const ProgramVerdict* verdict : {&unknown, &never_supported}) {
    EXPECT_FALSE(OffersFeedbackPage(*verdict)) << int(verdict->status);
    EXPECT_EQ(FeedbackPageAddress(*verdict, settings), std::nullopt) << int(verdict->status);
  }
}

}  // namespace
}  // namespace lintrove
