// The release the service announces, and its information page and setup served from the
// release directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <httplib.h>

#include "base/error.h"
#include "catalog/release.h"
#include "page_client.h"
#include "protocol/transport.h"

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

// The updatecheck of a client that tells the system it runs on.
std::string UpdatecheckFrom(const RunningService& service, const std::string& system) {
  httplib::Client client("127.0.0.1", service.Port());
  const auto result = client.Post(
      std::string(service::ServiceServer::kEndpoint),
      "<dorvupdater><Command><str_command><![CDATA[updatecheck]]></str_command></Command>"
      "<Client Version=\"1.4.0.0\" System=\"" +
          system + "\"></Client></dorvupdater>",
      "text/xml");
  EXPECT_TRUE(result);
  return result ? result->body : std::string();
}

std::string Element(const std::string& answer, const std::string& name) {
  const std::size_t start = answer.find("<" + name + ">");
  if (start == std::string::npos) return "(none)";
  const std::size_t from = start + name.size() + 2;
  return answer.substr(from, answer.find("</" + name + ">") - from);
}

TEST(ServiceReleaseTest, EachSystemIsOfferedASetupItCanStartWithItsSignature) {
  const TempDir dir;
  WriteFileBytes(dir / "release.json", R"({"version": "1.5.0.0",
      "setup": "lintrove-1.5.0.0-x64.msi",
      "setups": {"windows-x86_64": "lintrove-1.5.0.0-x64.msi",
                 "linux-x86_64": "lintrove_1.5.0.0_amd64.deb"}})");
  WriteFileBytes(dir / "lintrove-1.5.0.0-x64.msi", "abc");
  WriteFileBytes(dir / "lintrove-1.5.0.0-x64.msi.sig", std::string(64, '\x01'));
  WriteFileBytes(dir / "lintrove_1.5.0.0_amd64.deb", "deb");
  WriteFileBytes(dir / "lintrove_1.5.0.0_amd64.deb.sig", std::string(63, '\x02') + "\xff");
  RunningService service(3, service::LoadRelease(dir.Path()));
  const std::string release =
      "http://127.0.0.1:" + std::to_string(service.Port()) + "/release/1.5.0.0/";
  std::string msi_signature;
  for (int i = 0; i < 64; ++i) msi_signature += "01";
  std::string deb_signature;
  for (int i = 0; i < 63; ++i) deb_signature += "02";
  deb_signature += "ff";

  const struct {
    std::string system;
    std::string setup;  // empty: none offered
    std::string signature;
  } cases[] = {
      {"", "lintrove-1.5.0.0-x64.msi", msi_signature},
      {"windows-x86_64", "lintrove-1.5.0.0-x64.msi", msi_signature},
      {"windows-x86", "lintrove-1.5.0.0-x64.msi", msi_signature},
      {"linux-x86_64", "lintrove_1.5.0.0_amd64.deb", deb_signature},
      {"linux-arm64", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.system);
    const std::string answer = UpdatecheckFrom(service, c.system);
    EXPECT_EQ(Element(answer, "currentversion"), "1.5.0.0");
    EXPECT_EQ(Element(answer, "infopage"), release);
    if (c.setup.empty()) {
      EXPECT_EQ(Element(answer, "downloadurl"), "");
      EXPECT_EQ(Element(answer, "sha256"), "(none)");
      EXPECT_EQ(Element(answer, "signature"), "(none)");
    } else {
      EXPECT_EQ(Element(answer, "downloadurl"), release + c.setup);
      EXPECT_EQ(Element(answer, "signature"), c.signature);
    }
  }
  EXPECT_EQ(GetPage(service, "/release/1.5.0.0/lintrove-1.5.0.0-x64.msi").body, "abc");
  EXPECT_EQ(GetPage(service, "/release/1.5.0.0/lintrove_1.5.0.0_amd64.deb").body, "deb");
  // The signatures travel in the answer; the files themselves are not served.
  EXPECT_EQ(GetPage(service, "/release/1.5.0.0/lintrove_1.5.0.0_amd64.deb.sig").status, 404);
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
      {R"({"setups": {"linux/../x": "lintrove-setup-1.5.0.0.exe"}})", "names no system"},
      {R"({"setups": {"linux-x86_64": "../lintrove-setup-1.5.0.0.exe"}})", "file name"},
      {R"({"setups": {"linux-x86_64": "missing.deb"}})", "no setup file"},
      {R"({"setup": "lintrove-setup-1.5.0.0.exe", "x": 1})", "unknown member"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    const TempDir dir;
    FillReleaseDirectory(dir, c.json);
    EXPECT_THAT([&] { service::LoadRelease(dir.Path()); },
                testing::ThrowsMessage<Error>(HasSubstr(c.message)));
  }
}

// A signature file that is not the raw 64 bytes (a hexadecimal or base64 text, say) would make
// every client refuse the setup: the service says so at start instead.
TEST(ServiceReleaseTest, ASignatureThatIsNotSixtyFourBytesIsRefusedAtStart) {
  for (const std::string& signature :
       {std::string(128, 'a'), std::string(63, 'a'), std::string()}) {
    SCOPED_TRACE(signature.size());
    const TempDir dir;
    FillReleaseDirectory(dir, R"({"setup": "lintrove-setup-1.5.0.0.exe"})");
    WriteFileBytes(dir / "lintrove-setup-1.5.0.0.exe.sig", signature);
    EXPECT_THAT([&] { service::LoadRelease(dir.Path()); },
                testing::ThrowsMessage<Error>(HasSubstr("not an Ed25519 signature")));
  }
}

}  // namespace
}  // namespace lintrove::test
