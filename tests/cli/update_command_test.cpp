// lintrove-cli update against the update service serving a release directory as scripts/release
// makes it: each setup with its raw Ed25519 signature beside it.
#include "update_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/release_messages.h"
#include "base/resource_strings.h"
#include "catalog/release.h"
#include "flows/setup_download.h"
#include "platform/client_version.h"
#include "platform/posix/posix_registry.h"
#include "running_service.h"
#include "support/release_signing.h"
#include "support/temp_dir.h"

namespace lintrove::cli {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

constexpr const char* kDeb = "lintrove_99.0.0.0_amd64.deb";
constexpr const char* kMsi = "lintrove-99.0.0.0-x64.msi";

// The raw signature bytes as the release script writes them into "<file>.sig".
std::string RawSignature(const std::string& hex) {
  std::string raw;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    raw += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return raw;
}

void AddSignedSetup(const TempDir& release, const std::string& name, const std::string& bytes) {
  WriteFileBytes(release / name, bytes);
  WriteFileBytes(release / (name + ".sig"), RawSignature(test::SignedByReleaseKey(bytes)));
}

std::set<std::string> FilesIn(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

class UpdateCommandTest : public testing::Test {
 protected:
  UpdateCommandTest() : registry_(store_.Path()) {}

  struct Run {
    int status;
    std::string out;
    std::string err;
  };

  Run Update(const test::RunningService& service, std::vector<std::string> args) {
    args.insert(args.begin(), {"--service", service.ServiceUrl(), "--no-ssl"});
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CommandContext context{registry_, out, err, in, false};
    const int status = RunUpdateCommand(args, context);
    return {status, out.str(), err.str()};
  }

  TempDir store_;
  platform::PosixRegistry registry_;
};

TEST_F(UpdateCommandTest, TellsWhetherANewerVersionExistsByTheExitStatus) {
  const struct {
    std::string version;
    int status;
    std::string status_line;
  } cases[] = {
      {ClientVersion(), 0, LoadResString(ResString::ClientCurrent)},
      {"0.0.0.1", 0, LoadResString(ResString::ClientCurrent)},
      {"99.0.0.0", kNewerClientOffered, LoadResString(ResString::ClientMayUpdate)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    const TempDir release;
    WriteFileBytes(
        release / "release.json",
        R"({"version": ")" + c.version + R"(", "setups": {"linux-x86_64": ")" + kDeb + R"("}})");
    AddSignedSetup(release, kDeb, "package");
    const test::RunningService service(3, service::LoadRelease(release.Path()));

    const Run run = Update(service, {});
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err, "");
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, Format(LoadResString(ResString::ClientVersions), ClientVersion(), c.version));
    std::getline(lines, line);
    EXPECT_EQ(line, c.status_line);
    // Nothing is downloaded without --download.
    EXPECT_EQ(run.out.find(LoadResString(ResString::SetupSaved).substr(0, 10)), std::string::npos);
  }
}

// The service may be impersonated or broken into: it then serves what it likes with a checksum
// to match. Only the release key's signature makes a setup one to keep.
TEST_F(UpdateCommandTest, DownloadKeepsOnlyTheGenuineSetupAndNeverLeavesARefusedOne) {
  const struct {
    std::string what;
    std::string served;        // the setup's bytes in the release directory
    std::string signed_bytes;  // what its .sig signs; empty: no .sig
    std::string refusal;       // empty: kept
  } cases[] = {
      {"genuine", "package", "package", ""},
      {"tampered after signing", "tampered", "package",
       Format(LoadResString(ResString::SetupSignatureInvalid), kDeb)},
      {"not signed", "package", "", Format(LoadResString(ResString::SetupSignatureMissing), kDeb)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir release;
    WriteFileBytes(
        release / "release.json",
        R"({"version": "99.0.0.0", "setups": {"linux-x86_64": ")" + std::string(kDeb) + R"("}})");
    WriteFileBytes(release / kDeb, c.served);
    if (!c.signed_bytes.empty()) {
      WriteFileBytes(release / (std::string(kDeb) + ".sig"),
                     RawSignature(test::SignedByReleaseKey(c.signed_bytes)));
    }
    const test::RunningService service(3, service::LoadRelease(release.Path()));
    const TempDir downloads;

    const Run run = Update(service, {"--download", downloads.Path().string()});
    if (c.refusal.empty()) {
      EXPECT_EQ(run.status, kNewerClientOffered) << run.err;
      EXPECT_EQ(FilesIn(downloads.Path()), std::set<std::string>{kDeb});
      EXPECT_EQ(ReadFileBytes(downloads / kDeb), c.served);
      EXPECT_NE(
          run.out.find(Format(LoadResString(ResString::SetupSaved), (downloads / kDeb).string())),
          std::string::npos)
          << run.out;
    } else {
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.err, "ERROR: " + c.refusal + "\n");
      EXPECT_TRUE(FilesIn(downloads.Path()).empty());
    }
  }
}

// A release with only a Windows setup: this Linux client is pointed at the information page and
// told how its updates come, and downloads nothing.
TEST_F(UpdateCommandTest, NoSetupOfAnotherSystemIsDownloaded) {
  const TempDir release;
  WriteFileBytes(release / "release.json",
                 R"({"version": "99.0.0.0", "setup": ")" + std::string(kMsi) +
                     R"(", "setups": {"windows-x86_64": ")" + kMsi + R"("}})");
  AddSignedSetup(release, kMsi, "MZ setup");
  const test::RunningService service(3, service::LoadRelease(release.Path()));
  const TempDir downloads;

  const Run offered = Update(service, {});
  EXPECT_EQ(offered.status, kNewerClientOffered);
  EXPECT_NE(offered.out.find(NoSetupForThisSystemText()), std::string::npos) << offered.out;
  EXPECT_NE(offered.out.find("/release/99.0.0.0/\n"), std::string::npos) << offered.out;
  EXPECT_EQ(offered.out.find(kMsi), std::string::npos) << offered.out;

  const Run download = Update(service, {"--download", downloads.Path().string()});
  EXPECT_EQ(download.status, 1);
  EXPECT_TRUE(FilesIn(downloads.Path()).empty());
}

}  // namespace
}  // namespace lintrove::cli
