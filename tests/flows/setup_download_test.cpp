#include "flows/setup_download.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

#include "base/format.h"
#include "base/release_messages.h"
#include "base/resource_strings.h"
#include "platform/download_directory.h"
#include "protocol/test_http_server.h"
#include "support/release_signing.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::TestHttpServer;

// SHA-256 of "abc".
constexpr std::string_view kAbcSha256 =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// Serves every path it does not know as "abc", and answers /missing with 404 and an error page.
class DownloadServer {
 public:
  DownloadServer()
      : server_([](const httplib::Request&, httplib::Response&) {},
                [this](const httplib::Request& request, httplib::Response& response) {
                  if (request.path == "/missing") {
                    response.status = 404;
                    response.set_content("<html>not here</html>", "text/html");
                  } else if (request.path == "/big.exe") {
                    response.set_content(std::string(8 * 1024 * 1024, 'x'),
                                         "application/octet-stream");
                  } else {
                    response.set_content("abc", "application/octet-stream");
                  }
                }) {}

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_.Port()) + path;
  }

 private:
  TestHttpServer server_;
};

// The release key's signature of what the server serves.
std::string AbcSignature() { return test::SignedByReleaseKey("abc"); }

std::set<std::string> FilesIn(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

class CancelAtFirstReport final : public ProgressObserver {
 public:
  bool Report(const ProgressReport&) override {
    ++reports;
    return false;
  }
  int reports = 0;
};

TEST(SetupDownload, TheFileNameComesFromTheAddressPathAloneAndStaysInItsDirectory) {
  const struct {
    std::string path;
    std::string saved;  // empty: refused
  } cases[] = {
      {"/downloads/2026/12/lintrove/setup.exe", "setup.exe"},
      {"/downloads/setup.exe?version=1.5&lang=de", "setup.exe"},
      {"/downloads/setup.exe#sha", "setup.exe"},
      {"/downloads/lintrove%20setup.exe", "lintrove setup.exe"},
      {"/downloads/", ""},
      {"/downloads/..", ""},
      {"/downloads/.", ""},
      {"/downloads/..%2F..%2Fsetup.exe", ""},
      {"/downloads/..%5Csetup.exe", ""},
      {"/downloads/c:setup.exe", ""},
      {"/downloads/setup%3F.exe", ""},
      {"", ""},
  };
  DownloadServer server;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TempDir dir;
    if (c.saved.empty()) {
      try {
        DownloadSetup(*platform::CreateHttp(), server.Url(c.path), dir.Path(), "", AbcSignature(),
                      nullptr);
        ADD_FAILURE() << "not refused";
      } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Filename not found.");
      }
      EXPECT_TRUE(FilesIn(dir.Path()).empty());
    } else {
      const std::filesystem::path saved = DownloadSetup(*platform::CreateHttp(), server.Url(c.path),
                                                        dir.Path(), "", AbcSignature(), nullptr);
      EXPECT_EQ(saved, dir / c.saved);
      EXPECT_EQ(FilesIn(dir.Path()), std::set<std::string>{c.saved});
      EXPECT_EQ(ReadFileBytes(saved), "abc");
    }
  }
  // An address without any "/" names no file at all.
  EXPECT_THROW(SetupFileName("setup.exe"), Error);
  EXPECT_THROW(SetupFileName("http://updates.example.org"), Error);
}

TEST(SetupDownload, ProgressIsCountedInWholeKilobytes) {
  EXPECT_EQ(DownloadProgressText(1536, 1536), "1 von 1 kByte");
  EXPECT_EQ(DownloadProgressText(1023, 1023), "0 von 0 kByte");
  EXPECT_EQ(DownloadProgressText(2047, 1048576), "1 von 1024 kByte");
}

TEST(SetupDownload, AFailedDownloadLeavesNothingAndKeepsAnEarlierFile) {
  DownloadServer server;
  TempDir dir;
  test::WriteFileBytes(dir / "missing", "from before");
  try {
    DownloadSetup(*platform::CreateHttp(), server.Url("/missing"), dir.Path(), "", AbcSignature(),
                  nullptr);
    ADD_FAILURE() << "a 404 saved";
  } catch (const Error& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find("Fehler beim Download von URL: " + server.Url("/missing")),
              std::string::npos);
    EXPECT_NE(text.find("404"), std::string::npos) << text;
  }
  EXPECT_EQ(FilesIn(dir.Path()), std::set<std::string>{"missing"});
  EXPECT_EQ(ReadFileBytes(dir / "missing"), "from before");
}

TEST(SetupDownload, ACancelEndsTheDownloadWithTheDownloadErrorAndLeavesNoFile) {
  DownloadServer server;
  TempDir dir;
  CancelAtFirstReport observer;
  try {
    DownloadSetup(*platform::CreateHttp(), server.Url("/big.exe"), dir.Path(), "", AbcSignature(),
                  &observer);
    ADD_FAILURE() << "not cancelled";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Fehler beim Download von URL: " + server.Url("/big.exe") +
                                             "\r\n" + LoadResString(ResString::TransferCancelled));
  }
  EXPECT_EQ(observer.reports, 1);
  EXPECT_TRUE(FilesIn(dir.Path()).empty());
}

TEST(SetupDownload, TheServicesChecksumIsVerifiedWhenItSendsOne) {
  DownloadServer server;
  TempDir dir;
  std::string upper(kAbcSha256);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(DownloadSetup(*platform::CreateHttp(), server.Url("/setup.exe"), dir.Path(), upper,
                          AbcSignature(), nullptr),
            dir / "setup.exe");

  TempDir refused;
  const std::string wrong(64, '0');
  try {
    DownloadSetup(*platform::CreateHttp(), server.Url("/setup.exe"), refused.Path(), wrong,
                  AbcSignature(), nullptr);
    ADD_FAILURE() << "a wrong checksum taken";
  } catch (const Error& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find("setup.exe"), std::string::npos) << text;
    EXPECT_NE(text.find(wrong), std::string::npos) << text;
    EXPECT_NE(text.find(kAbcSha256), std::string::npos) << text;
  }
  EXPECT_TRUE(FilesIn(refused.Path()).empty());
}

// Whoever controls the service controls the address and the checksum, but not the release key:
// only a setup signed with it is kept, whatever else the service says.
TEST(SetupDownload, OnlyASetupSignedWithTheReleaseKeyIsKept) {
  const std::string missing = Format(LoadResString(ResString::SetupSignatureMissing), "setup.exe");
  const std::string invalid = Format(LoadResString(ResString::SetupSignatureInvalid), "setup.exe");
  std::string upper_case = AbcSignature();
  for (char& c : upper_case) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string one_bit_off = AbcSignature();
  one_bit_off[10] = one_bit_off[10] == '0' ? '1' : '0';
  const struct {
    std::string what;
    std::string sha256;
    std::string signature;
    std::string refusal;  // empty: kept
  } cases[] = {
      {"genuine", "", AbcSignature(), ""},
      {"genuine, upper case, blanks around", std::string(kAbcSha256), " " + upper_case + "\n", ""},
      {"none announced", "", "", missing},
      {"only blanks", "", "  ", missing},
      {"of other bytes, checksum matching", std::string(kAbcSha256),
       test::SignedByReleaseKey("abd"), invalid},
      {"by another key", std::string(kAbcSha256), test::SignedByAnotherKey("abc"), invalid},
      {"one bit off", "", one_bit_off, invalid},
      {"cut short", "", AbcSignature().substr(2), invalid},
      {"not hexadecimal", "", std::string(128, 'g'), invalid},
      {"the checksum instead", "", std::string(kAbcSha256), invalid},
  };
  DownloadServer server;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    test::WriteFileBytes(dir / "setup.exe", "from before");
    if (c.refusal.empty()) {
      EXPECT_EQ(DownloadSetup(*platform::CreateHttp(), server.Url("/get/setup.exe"), dir.Path(),
                              c.sha256, c.signature, nullptr),
                dir / "setup.exe");
      EXPECT_EQ(ReadFileBytes(dir / "setup.exe"), "abc");
    } else {
      try {
        DownloadSetup(*platform::CreateHttp(), server.Url("/get/setup.exe"), dir.Path(), c.sha256,
                      c.signature, nullptr);
        ADD_FAILURE() << "kept";
      } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), c.refusal);
      }
      // Nothing of the refused download is left; a file of that name from before is no setup
      // of this download and stays.
      EXPECT_EQ(FilesIn(dir.Path()), std::set<std::string>{"setup.exe"});
      EXPECT_EQ(ReadFileBytes(dir / "setup.exe"), "from before");
    }
  }
}

TEST(SetupDownload, OnlyASetupOfThisSystemIsOffered) {
  const struct {
    std::string name;
    bool offered;
  } cases[] = {
      {"lintrove_1.5.0.0_amd64.deb", true},
      {"LINTROVE.DEB", true},
      {"lintrove-1.5.0.0-x64.msi", false},
      {"lintrove-setup.exe", false},
      {".deb", false},
      {"lintrove.deb.exe", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSetupForThisSystem(c.name), c.offered) << c.name;

  const struct {
    std::string url;
    bool offered;
  } addresses[] = {
      {"", false},
      {"https://updates.example.org/release/1.5.0.0/lintrove-1.5.0.0-x64.msi", false},
      {"https://updates.example.org/get/lintrove_1.5.0.0_amd64.deb?channel=stable", true},
      // No usable name: the download itself refuses it, with its own message.
      {"https://updates.example.org/get/", true},
  };
  for (const auto& c : addresses) EXPECT_EQ(OffersSetupForThisSystem(c.url), c.offered) << c.url;
}

TEST(DownloadDirectory, IsTheUsersOwnAndIsEmptiedAtTheNextStart) {
  TempDir temp;
  test::ScopedEnvironment environment;
  environment.Set("TMPDIR", temp.Path().string());

  const std::filesystem::path directory = platform::DownloadDirectory();
  EXPECT_EQ(directory.parent_path(), temp.Path());
  struct stat facts {};
  ASSERT_EQ(::stat(directory.c_str(), &facts), 0);
  EXPECT_EQ(facts.st_mode & 0777, 0700u);
  test::WriteFileBytes(directory / "setup.exe", "abc");
  test::WriteFileBytes(temp / "someone-elses.exe", "abc");

  platform::RemoveAfterUse(directory / "setup.exe");
  platform::RemoveEarlierDownloads();

  EXPECT_TRUE(FilesIn(directory).empty());
  EXPECT_TRUE(std::filesystem::exists(temp / "someone-elses.exe"));
  EXPECT_EQ(platform::DownloadDirectory(), directory);
}

TEST(DownloadDirectory, OneOthersMayEnterIsRefused) {
  TempDir temp;
  test::ScopedEnvironment environment;
  environment.Set("TMPDIR", temp.Path().string());
  const std::filesystem::path directory = platform::DownloadDirectory();
  std::filesystem::permissions(directory, std::filesystem::perms::all);
  test::WriteFileBytes(directory / "planted.exe", "abc");

  EXPECT_THROW(platform::DownloadDirectory(), Error);
  platform::RemoveEarlierDownloads();
  EXPECT_TRUE(std::filesystem::exists(directory / "planted.exe"));
}

}  // namespace
}  // namespace lintrove
