#include "flows/update_check_flow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/date_time.h"
#include "flows/scan_flow.h"
#include "inventory/machine_fixture.h"
#include "platform/client_version.h"
#include "platform/posix/posix_installer_database.h"
#include "protocol/test_http_server.h"
#include "protocol/test_update_service.h"

namespace lintrove {
namespace {

using test::Key;
using test::kUninstall64;
using test::TestUpdateService;
using testing::ElementsAre;

std::string Program(std::string_view name, std::string_view version) {
  return Key(kUninstall64, name,
             "\"DisplayName\"=\"" + std::string(name) + "\"\r\n\"DisplayVersion\"=\"" +
                 std::string(version) + "\"\r\n\"UninstallString\"=\"x.exe\"");
}

// A machine with three programs, scanned into records as the main window holds them.
class UpdateCheckFlowTest : public test::MachineFixture {
 protected:
  UpdateCheckFlowTest()
      : registry_(
            Machine(Program("Alpha", "2.0") + Program("Mid", "3.0") + Program("Zeta", "1.0"))),
        installer_(registry_),
        client_(registry_),
        records_(ScanInventory(registry_, installer_, false, nullptr)) {
    for (const auto& record : records_) in_list_order_.push_back(record.get());
  }

  UpdateCheckResult Check(TestUpdateService& service, const SelfUpdateQuestion& ask = {}) {
    ServiceTransport transport;
    transport.url = ServiceAddress(false, service.ServiceUrl());
    const ProgramRefList sent = ProgramsToSend(in_list_order_, IgnoreMarks(registry_));
    return RunUpdateCheck(transport, client_, sent, records_, ask);
  }

  const ProgramVerdict& Record(int index) const { return records_.Items(index); }

  platform::PosixRegistry& registry_;
  platform::PosixInstallerDatabase installer_;
  ClientSettings client_;
  VerdictList records_;
  std::vector<const ProgramVerdict*> in_list_order_;
  const DateTime now_ = EncodeDateTime(2026, 12, 10, 9, 30, 0, 0);
};

TEST_F(UpdateCheckFlowTest, VerdictsReachTheRecordsOfTheProgramsSentAndTheCheckTimeIsTaken) {
  IgnoreMarks::SetIgnored("MidMid3.0", true, registry_);
  TestUpdateService service({{"Alpha", {"2.1", "2.2"}}, {"Mid", {"4.0"}}, {"Zeta", {}}},
                            ClientVersion());
  ScopedClockOverride clock(now_);

  ASSERT_EQ(Check(service), UpdateCheckResult::Completed);

  EXPECT_EQ(service.Commands(), (std::vector<std::string>{"noop", "updatecheck", "step1"}));
  EXPECT_EQ(service.ProgramsSent(), (std::vector<std::string>{"Alpha", "Zeta"}));
  EXPECT_EQ(Record(0).status, ProgramStatus::NewVersion);
  EXPECT_EQ(Record(0).versions.Count(), 2);
  EXPECT_EQ(Record(0).vendor, "Vendor of Alpha");
  EXPECT_EQ(Record(1).status, ProgramStatus::Unknown) << "ignored, so not sent";
  EXPECT_EQ(Record(2).status, ProgramStatus::Current);
  EXPECT_EQ(client_.dat_lastcheck, now_);
}

TEST_F(UpdateCheckFlowTest, TheCallerDecidesOnANewerClientAndIsAskedOnlyForOne) {
  const struct {
    std::string service_version;
    SelfUpdateChoice choice;
    int questions;
    UpdateCheckResult result;
    std::vector<std::string> commands;
  } cases[] = {
      {"99.0.0.0",
       SelfUpdateChoice::GoOn,
       1,
       UpdateCheckResult::Completed,
       {"noop", "updatecheck", "step1"}},
      {"99.0.0.0", SelfUpdateChoice::Stop, 1, UpdateCheckResult::Stopped, {"noop", "updatecheck"}},
      {ClientVersion(),
       SelfUpdateChoice::Stop,
       0,
       UpdateCheckResult::Completed,
       {"noop", "updatecheck", "step1"}},
      {"0.0.0.1",
       SelfUpdateChoice::Stop,
       0,
       UpdateCheckResult::Completed,
       {"noop", "updatecheck", "step1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.service_version);
    client_.dat_lastcheck = 0.0;
    records_.Items(0).status = ProgramStatus::Unknown;
    TestUpdateService service({{"Alpha", {}}}, c.service_version);
    int questions = 0;
    std::string offered;
    ScopedClockOverride clock(now_);

    const UpdateCheckResult result = Check(service, [&](const UpdateResponse& response) {
      ++questions;
      offered = response.currentversion;
      return c.choice;
    });

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(questions, c.questions);
    EXPECT_EQ(offered, questions > 0 ? c.service_version : "");
    EXPECT_EQ(service.Commands(), c.commands);
    const bool completed = c.result == UpdateCheckResult::Completed;
    EXPECT_EQ(client_.dat_lastcheck, completed ? now_ : 0.0);
    EXPECT_EQ(Record(0).status, completed ? ProgramStatus::Current : ProgramStatus::Unknown);
  }
}

// Stops every exchange at its first report.
class CancellingObserver final : public ProgressObserver {
 public:
  bool Report(const ProgressReport&) override { return false; }
};

TEST_F(UpdateCheckFlowTest, FailuresAndCancelsEndTheCheckWithoutTakingItsTime) {
  TestUpdateService service({{"Alpha", {}}}, ClientVersion());
  client_.dat_lastcheck = 0.0;

  ServiceTransport cancelled;
  cancelled.url = ServiceAddress(false, service.ServiceUrl());
  CancellingObserver observer;
  cancelled.progress = &observer;
  EXPECT_THROW(RunUpdateCheck(cancelled, client_, ProgramRefList(), records_, {}), Cancelled)
      << "a cancel is no connection failure";

  service.Stop();
  EXPECT_THAT([&] { Check(service); },
              testing::ThrowsMessage<Error>(
                  testing::HasSubstr("Es ist beim Verbinden zum Server ein Fehler aufgetreten.")));
  EXPECT_EQ(client_.dat_lastcheck, 0.0);
  EXPECT_EQ(Record(0).status, ProgramStatus::Unknown);
}

// A service that answers "noop" as it should and one later command with a body that is no XML
// document: an error page, or an answer cut off. Requests carry their command as CDATA.
TEST_F(UpdateCheckFlowTest, AnAnswerThatIsNoDocumentFailsTheCheckAndKeepsItsTime) {
  const std::string updatecheck_answer =
      "<dorvupdater><currentversion>0.0.0.1</currentversion><downloadurl>x</downloadurl>"
      "<forceupdate>false</forceupdate><infopage>y</infopage></dorvupdater>";
  const struct {
    std::string broken_command;
    std::string body;
  } cases[] = {
      {"step1", "<html><body><h1>502 Bad Gateway</h1></body></html>"},
      {"step1", "<dorvupdater><ProgrammVersionliste><Programm ID=\"0\" Status=\"supp"},
      {"updatecheck", "Service temporarily unavailable"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.broken_command + ": " + c.body);
    test::TestHttpServer server([&](const httplib::Request& request, httplib::Response& response) {
      std::string body = "<dorvupdater><status>ok</status></dorvupdater>";
      if (request.body.find("[updatecheck]") != std::string::npos) body = updatecheck_answer;
      if (request.body.find("[" + c.broken_command + "]") != std::string::npos) body = c.body;
      response.set_content(body, "text/xml");
    });
    client_.dat_lastcheck = 0.0;
    ServiceTransport transport;
    transport.url = ServiceAddress(false, server.ServiceUrl());
    const ProgramRefList sent = ProgramsToSend(in_list_order_, IgnoreMarks(registry_));

    EXPECT_THAT([&] { RunUpdateCheck(transport, client_, sent, records_, {}); },
                testing::ThrowsMessage<Error>(testing::HasSubstr("Die Antwort des Servers ist")));
    EXPECT_EQ(client_.dat_lastcheck, 0.0);
    for (const auto& record : records_) EXPECT_EQ(record->status, ProgramStatus::Unknown);
  }
}

}  // namespace
}  // namespace lintrove

namespace lintrove {
namespace {

// The rule both front ends send by: the scan's records in the list's order (by name, byte by
// byte), less the ignored ones, whatever order the scan found them in.
class ProgramsToSendTest : public test::MachineFixture {};

TEST_F(ProgramsToSendTest, TheRecordsGoInTheListsOrderLessTheIgnored) {
  platform::PosixRegistry& registry = Machine(Program("zeta", "1") + Program("Mid", "3") +
                                              Program("Alpha", "2") + Program("beta", "4"));
  platform::PosixInstallerDatabase installer(registry);
  const VerdictList records = ScanInventory(registry, installer, false, nullptr);
  IgnoreMarks::SetIgnored("MidMid3", true, registry);

  const ProgramRefList sent = ProgramsToSend(records, IgnoreMarks(registry));

  std::vector<std::string> names;
  for (int i = 0; i < sent.Count(); ++i) names.push_back(sent.Items(i).GetName());
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "zeta"}));
}

}  // namespace
}  // namespace lintrove
