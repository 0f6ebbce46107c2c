// The release the service announces, and its information page and setup served from the
// release directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <httplib.h>

#include "base/error.h"
#include "page_client.h"
#include "protocol/transport.h"
#include "release.h"

namespace lintrove::test {
namespace {

using testing::HasSubstr;
using testing::Not;

// The setup's bytes and their SHA-256 (the FIPS 180-2 example "abc").
constexpr const char* kSetupBytes = "abc";
constexpr const char* kSetupSha256 =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

void FillReleaseDirectory(const TempDir& dir, const std::string& json) {
  WriteFileBytes(dir / "release.json", json);
  WriteFileBytes(dir / "lintrove-setup-1.5.0.0.exe", kSetupBytes);
}

std::string Updatecheck(const RunningService& service) {
  httplib::Client client("127.0.0.1", service.Port());
  const auto result = client.Post(std::string(service::ServiceServer::kEndpoint),
                                  ServiceTransport::CommandXml("updatecheck"), "text/xml");
  EXPECT_TRUE(result);
  return result ? result->body : std::string();
}

TEST(ServiceReleaseTest, TheServiceAnnouncesAndServesTheSetupAndPageOfItsReleaseDirectory) {
  const TempDir dir;
  FillReleaseDirectory(dir,
                       R"({"version": "1.5.0.0", "setup": "lintrove-setup-1.5.0.0.exe",
          "notes": ["Faster checks.", "<b>Bold</b> claims & more"]})");
  RunningService service(3, service::LoadRelease(dir.Path()));
  const std::string base = "http://127.0.0.1:" + std::to_string(service.Port());

  const std::string answer = Updatecheck(service);
  EXPECT_THAT(answer, HasSubstr("<currentversion>1.5.0.0</currentversion>"));
  EXPECT_THAT(answer, HasSubstr("<downloadurl>" + base +
                                "/release/1.5.0.0/lintrove-setup-1.5.0.0.exe</downloadurl>"));
  EXPECT_THAT(answer, HasSubstr("<infopage>" + base + "/release/1.5.0.0/</infopage>"));
  EXPECT_THAT(answer, HasSubstr(std::string("<sha256>") + kSetupSha256 + "</sha256>"));

  const PageAnswer setup = GetPage(service, "/release/1.5.0.0/lintrove-setup-1.5.0.0.exe");
  EXPECT_EQ(setup.status, 200);
  EXPECT_EQ(setup.body, kSetupBytes);

  const PageAnswer english = GetPage(service, "/release/1.5.0.0/", "en-US,en;q=0.9,de;q=0.8");
  EXPECT_EQ(english.status, 200);
  EXPECT_THAT(english.body, HasSubstr("<h1 id=\"release\">Lintrove 1.5.0.0</h1>"));
  EXPECT_THAT(english.body, HasSubstr("<p>Faster checks.</p>"));
  EXPECT_THAT(english.body, HasSubstr("<p>&lt;b&gt;Bold&lt;&#x2F;b&gt; claims &amp; more</p>"));
  EXPECT_THAT(english.body, HasSubstr("href=\"lintrove-setup-1.5.0.0.exe\""));
  EXPECT_THAT(english.body, HasSubstr("(3 bytes)"));
  EXPECT_THAT(english.body, HasSubstr(kSetupSha256));
  const PageAnswer german = GetPage(service, "/release/1.5.0.0/", "de-DE,de;q=0.9,en;q=0.8");
  EXPECT_THAT(german.body, HasSubstr("SHA-256-Prüfsumme"));

  // Nothing else of the directory is served.
  for (const char* path : {"/release/1.5.0.0/release.json", "/release/1.5.0.0/../release.json",
                           "/release/1.4.0.0/", "/release/1.5.0.0/%2e%2e/release.json"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(GetPage(service, path).status, 404);
  }
}

TEST(ServiceReleaseTest, AddressesOfTheOperatorsOwnWinAndTheSetupsChecksumStays) {
  const TempDir dir;
  FillReleaseDirectory(dir,
                       R"({"version": "1.5.0.0", "setup": "lintrove-setup-1.5.0.0.exe",
          "download_url": "https://mirror.example.org/lintrove-setup-1.5.0.0.exe",
          "info_url": "https://example.org/news"})");
  RunningService service(3, service::LoadRelease(dir.Path()));

  const std::string answer = Updatecheck(service);
  EXPECT_THAT(answer, HasSubstr("<downloadurl>https://mirror.example.org/lintrove-setup-1.5.0.0"
                                ".exe</downloadurl>"));
  EXPECT_THAT(answer, HasSubstr("<infopage>https://example.org/news</infopage>"));
  EXPECT_THAT(answer, HasSubstr(kSetupSha256));
}

TEST(ServiceReleaseTest, TheSetupAndPageAreServedAtTheirOwnAddressesOnly) {
  const TempDir dir;
  WriteFileBytes(dir / "release.json", R"({"version": "1.5.0.0", "setup": "setup+x64.exe"})");
  WriteFileBytes(dir / "setup+x64.exe", kSetupBytes);
  RunningService service(3, service::LoadRelease(dir.Path()));

  EXPECT_EQ(GetPage(service, "/release/1.5.0.0/setup+x64.exe").body, kSetupBytes);
  for (const char* path : {"/release/1.5.0.0/setupx64.exe", "/release/1.5.0.0/setuppx64.exe",
                           "/release/1x5x0x0/", "/release/1x5x0x0/setup+x64.exe"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(GetPage(service, path).status, 404);
  }
}

TEST(ServiceReleaseTest, WithoutASetupNoChecksumIsAnnounced) {
  RunningService without_directory;
  EXPECT_THAT(Updatecheck(without_directory), Not(HasSubstr("sha256")));
  EXPECT_THAT(Updatecheck(without_directory), HasSubstr("<infopage></infopage>"));

  const TempDir dir;
  FillReleaseDirectory(dir, R"({"version": "1.5.0.0"})");
  RunningService page_only(3, service::LoadRelease(dir.Path()));
  EXPECT_THAT(Updatecheck(page_only), Not(HasSubstr("sha256")));
  EXPECT_THAT(Updatecheck(page_only), HasSubstr("<downloadurl></downloadurl>"));
  EXPECT_EQ(GetPage(page_only, "/release/1.5.0.0/").status, 200);
}

TEST(ServiceReleaseTest, ASetupOrVersionThatCouldLeaveTheDirectoryIsRefused) {
  const struct {
    const char* json;
    const char* message;
  } cases[] = {
      {R"({"setup": "../lintrove-setup-1.5.0.0.exe"})", "file name"},
      {R"({"setup": "/etc/passwd"})", "file name"},
      {R"({"setup": ".hidden"})", "file name"},
      {R"({"setup": "missing.exe"})", "no setup file"},
      {R"({"setup": "release.json/"})", "file name"},
      {R"({"version": "1.5/../../x"})", "cannot be part of an address"},
      {R"({"version": "1.5.0.0", "notes": "one text"})", "release.json"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    const TempDir dir;
    FillReleaseDirectory(dir, c.json);
    EXPECT_THAT([&] { service::LoadRelease(dir.Path()); },
                testing::ThrowsMessage<Error>(HasSubstr(c.message)));
  }
}

}  // namespace
}  // namespace lintrove::test
