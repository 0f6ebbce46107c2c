#include "flows/self_update.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/resource_strings.h"
#include "flows/scan_flow.h"
#include "inventory/machine_fixture.h"
#include "platform/client_version.h"
#include "platform/posix/posix_installer_database.h"
#include "protocol/test_http_server.h"
#include "protocol/test_update_service.h"
#include "support/recording_shell.h"
#include "support/release_signing.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

using test::RecordingShell;

// SHA-256 of "abc".
constexpr const char* kAbcSha256 =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// A setup this system starts: the client takes no other.
#ifdef _WIN32
constexpr const char* kSetupName = "setup.exe";
#else
constexpr const char* kSetupName = "lintrove_1.5.0.0_amd64.deb";
#endif

// Serves "abc" for every path but those under /missing/, which are not found.
class SetupServer {
 public:
  SetupServer()
      : server_([](const httplib::Request&, httplib::Response&) {},
                [](const httplib::Request& request, httplib::Response& response) {
                  if (request.path.starts_with("/missing/")) {
                    response.status = 404;
                  } else {
                    response.set_content("abc", "application/octet-stream");
                  }
                }) {}
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_.Port()) + path;
  }

 private:
  test::TestHttpServer server_;
};

// A front end that answers every offer alike and writes down what it was shown and told.
struct ScriptedFrontEnd {
  ScriptedFrontEnd() = default;
  ScriptedFrontEnd(const ScriptedFrontEnd&) = delete;
  ScriptedFrontEnd& operator=(const ScriptedFrontEnd&) = delete;

  void Reset(SelfUpdateAnswer next) {
    answer = next;
    offers.clear();
    messages.clear();
  }

  SelfUpdateAnswer answer = SelfUpdateAnswer::Close;
  std::vector<std::string> offers;  // "manual" or "check", with the comparison
  std::vector<std::string> messages;

  SelfUpdateFrontEnd Get() {
    return {.ask =
                [this](const SelfUpdateOffer& offer) {
                  offers.push_back((offer.manual ? "manual " : "check ") +
                                   std::to_string(offer.comparison));
                  return answer;
                },
            .download = nullptr,
            .inform = [this](const std::string& message) { messages.push_back(message); }};
  }
};

class SelfUpdateTest : public ::testing::Test {
 protected:
  UpdateResponse Offer(const std::string& version,
                       const std::string& path = std::string("/") + kSetupName) {
    UpdateResponse response;
    response.currentversion = version;
    response.downloadurl = server_.Url(path);
    response.sha256 = kAbcSha256;
    response.signature = test::SignedByReleaseKey("abc");
    return response;
  }
  SelfUpdateMachine Machine() { return {*http_, shell_, downloads_.Path()}; }
  std::filesystem::path Setup() const { return downloads_.Path() / kSetupName; }

  SetupServer server_;
  std::unique_ptr<platform::Http> http_ = platform::CreateHttp();
  RecordingShell shell_;
  test::TempDir downloads_;
  ScriptedFrontEnd front_;
};

TEST_F(SelfUpdateTest, TheAnswerDecidesWhatHappensAndOnlyAnOlderClientIsUpdated) {
  const struct {
    const char* name;
    bool newer_offered;
    bool manual;
    bool forced;
    SelfUpdateAnswer answer;
    SelfUpdateOutcome outcome;
    bool downloaded;
  } cases[] = {
      {"update now", true, false, false, SelfUpdateAnswer::UpdateNow,
       SelfUpdateOutcome::SetupStarted, true},
      {"later goes on with the check", true, false, false, SelfUpdateAnswer::Later,
       SelfUpdateOutcome::GoOn, false},
      {"a forced update cannot be put off", true, false, true, SelfUpdateAnswer::Later,
       SelfUpdateOutcome::Closed, false},
      {"cancel", true, false, false, SelfUpdateAnswer::Close, SelfUpdateOutcome::Closed, false},
      {"menu, update now", true, true, false, SelfUpdateAnswer::UpdateNow,
       SelfUpdateOutcome::SetupStarted, true},
      {"menu, later is no answer there", true, true, false, SelfUpdateAnswer::Later,
       SelfUpdateOutcome::Closed, false},
      {"menu, same version: nothing to update to", false, true, false, SelfUpdateAnswer::UpdateNow,
       SelfUpdateOutcome::Closed, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    shell_.calls.clear();
    shell_.starts = true;
    front_.Reset(c.answer);
    std::filesystem::remove(Setup());
    UpdateResponse response = Offer(c.newer_offered ? "99.0.0.0" : ClientVersion());
    response.forceupdate = c.forced;

    const SelfUpdateOutcome outcome = OfferSelfUpdate(
        {response, c.manual, CompareWithThisClient(response)}, front_.Get(), Machine());

    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(front_.offers.size(), 1u);
    EXPECT_EQ(std::filesystem::exists(Setup()), c.downloaded);
    if (c.downloaded) {
      EXPECT_EQ(shell_.calls,
                (std::vector<RecordingShell::Call>{{"ShellOpen", Setup().string(), ""}}));
      EXPECT_EQ(front_.messages, std::vector<std::string>{LoadResString(ResString::SetupStarts)});
    } else {
      EXPECT_TRUE(shell_.calls.empty());
      EXPECT_TRUE(front_.messages.empty());
    }
  }
}

TEST_F(SelfUpdateTest, ASetupTheShellCannotStartIsKeptAndTheUserToldWhereItIs) {
  shell_.starts = false;  // as on a system the setup is not made for
  front_.answer = SelfUpdateAnswer::UpdateNow;
  const UpdateResponse response = Offer("99.0.0.0");

  const SelfUpdateOutcome outcome = OfferSelfUpdate({response, false, -1}, front_.Get(), Machine());

  EXPECT_EQ(outcome, SelfUpdateOutcome::SetupNotStarted);
  EXPECT_EQ(shell_.calls.size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(Setup()), "abc");
  EXPECT_EQ(front_.messages, std::vector<std::string>{Format(
                                 LoadResString(ResString::SetupNotStarted), Setup().string())});
}

TEST_F(SelfUpdateTest, AFailedDownloadRaisesItsErrorAndStartsNothing) {
  front_.answer = SelfUpdateAnswer::UpdateNow;
  for (const auto& [path, sha256] : std::vector<std::pair<std::string, std::string>>{
           {std::string("/missing/") + kSetupName, ""},
           {std::string("/") + kSetupName, std::string(64, '0')}}) {
    SCOPED_TRACE(path);
    UpdateResponse response = Offer("99.0.0.0", path);
    response.sha256 = sha256;
    EXPECT_THROW(OfferSelfUpdate({response, false, -1}, front_.Get(), Machine()), Error);
    EXPECT_TRUE(shell_.calls.empty());
    EXPECT_TRUE(front_.messages.empty());
    EXPECT_TRUE(std::filesystem::is_empty(downloads_.Path()));
  }
}

// Within an update check: the offer comes only for a newer client, and only "later" lets the
// check send the programs.
class SelfUpdateDuringCheckTest : public test::MachineFixture {
 protected:
  SelfUpdateDuringCheckTest()
      : registry_(Machine(test::Key(test::kUninstall64, "Alpha",
                                    "\"DisplayName\"=\"Alpha\"\r\n\"UninstallString\"=\"a.exe\""))),
        installer_(registry_),
        client_(registry_),
        records_(ScanInventory(registry_, installer_, false, nullptr)) {}

  UpdateCheckResult Check(test::TestUpdateService& service, SelfUpdateOutcome& outcome) {
    ServiceTransport transport;
    transport.url = ServiceAddress(false, service.ServiceUrl());
    ProgramRefList sent;
    sent.Add(records_.Items(0).program.get());
    return RunUpdateCheck(
        transport, client_, sent, records_,
        SelfUpdateDuringCheck(front_.Get(), {*http_, shell_, downloads_.Path()}, outcome));
  }

  platform::PosixRegistry& registry_;
  platform::PosixInstallerDatabase installer_;
  ClientSettings client_;
  VerdictList records_;
  std::unique_ptr<platform::Http> http_ = platform::CreateHttp();
  RecordingShell shell_;
  test::TempDir downloads_;
  ScriptedFrontEnd front_;
};

TEST_F(SelfUpdateDuringCheckTest, OnlyLaterLetsTheCheckGoOn) {
  const struct {
    const char* name;
    std::string service_version;
    SelfUpdateAnswer answer;
    std::vector<std::string> offers;
    UpdateCheckResult result;
    SelfUpdateOutcome outcome;
  } cases[] = {
      {"same version: not offered",
       ClientVersion(),
       SelfUpdateAnswer::Close,
       {},
       UpdateCheckResult::Completed,
       SelfUpdateOutcome::GoOn},
      {"newer, later",
       "99.0.0.0",
       SelfUpdateAnswer::Later,
       {"check -1"},
       UpdateCheckResult::Completed,
       SelfUpdateOutcome::GoOn},
      {"newer, cancelled",
       "99.0.0.0",
       SelfUpdateAnswer::Close,
       {"check -1"},
       UpdateCheckResult::Stopped,
       SelfUpdateOutcome::Closed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    front_.Reset(c.answer);
    test::TestUpdateService service({{"Alpha", {}}}, c.service_version);
    SelfUpdateOutcome outcome = SelfUpdateOutcome::SetupStarted;

    EXPECT_EQ(Check(service, outcome), c.result);

    EXPECT_EQ(front_.offers, c.offers);
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(service.Commands().back(),
              c.result == UpdateCheckResult::Completed ? "step1" : "updatecheck");
  }
}

TEST_F(SelfUpdateDuringCheckTest, TheMenuShowsTheAnswerWhateverTheVersions) {
  for (const auto& [version, comparison] : std::vector<std::pair<std::string, std::string>>{
           {ClientVersion(), "manual 0"}, {"99.0.0.0", "manual -1"}, {"0.0.0.1", "manual 1"}}) {
    SCOPED_TRACE(version);
    front_.Reset(SelfUpdateAnswer::Close);
    test::TestUpdateService service({}, version);
    ServiceTransport transport;
    transport.url = ServiceAddress(false, service.ServiceUrl());

    EXPECT_EQ(CheckForNewerClient(transport, CurrentClientFacts(client_), front_.Get(),
                                  {*http_, shell_, downloads_.Path()}),
              SelfUpdateOutcome::Closed);
    EXPECT_EQ(front_.offers, std::vector<std::string>{comparison});
    EXPECT_EQ(service.Commands(), (std::vector<std::string>{"noop", "updatecheck"}));
  }
}

}  // namespace
}  // namespace lintrove
