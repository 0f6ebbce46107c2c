// The feedback page beside a verdict, and the reports made through its form.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <httplib.h>

#include <sstream>

#include "admin/admin_commands.h"
#include "page_client.h"

namespace lintrove::test {
namespace {

using testing::AllOf;
using testing::HasSubstr;
using testing::Not;

// A program two machines have in 2.0, with its maintainer's home page, and the verdict of a
// third that has 1.0 (every version is offered at threshold 1).
struct CheckedTool {
  RunningService service;
  ProgramVerdict verdict;

  explicit CheckedTool(CatalogEngine engine) : service(engine, 1) {
    for (int machine : {1, 2}) CheckOne(service, Machine(machine), "Tool", "2.0");
    service::CatalogEntry entry;
    entry.program.identity = "registry:tool|vendor";
    entry.program.homepage = "https://tool.example.org/";
    service.Store().Curate(std::span(&entry, 1));
    verdict = CheckOne(service, Machine(3), "Tool", "1.0");
  }

  std::int64_t VersionId(const std::string& name) {
    const std::vector<service::CatalogEntry> catalog = service.Store().Export();
    for (const auto& version : catalog.at(0).versions) {
      if (version.name == name) return version.id;
    }
    ADD_FAILURE() << "no version " << name;
    return 0;
  }
};

PageAnswer PostForm(const RunningService& service, const httplib::Params& fields,
                    const httplib::Headers& headers = {}) {
  httplib::Client client("127.0.0.1", service.Port());
  const httplib::Result result =
      client.Post(std::string(service::FeedbackPage::kPath), headers, fields);
  EXPECT_TRUE(result);
  if (!result) return {};
  return {result->status, result->body};
}

httplib::Params Form(const ProgramVerdict& verdict, const std::string& cid,
                     const std::string& subject, const std::string& comment = "") {
  return {{"lcid", "1033"}, {"vid", "0"},         {"hash", verdict.hash},
          {"cid", cid},     {"subject", subject}, {"comment", comment}};
}

std::string ReportsList(RunningService& service) {
  std::ostringstream out;
  const std::vector<std::string> command = {"reports", "list"};
  service::RunAdminCommand(command, service.Store(), ThresholdOptions(1), out);
  return out.str();
}

// The feedback page on each database engine.
class ServiceFeedbackPageTest : public testing::TestWithParam<CatalogEngine> {};

TEST_P(ServiceFeedbackPageTest, ThePageOfAVerdictShowsTheProgramInTheUsersLanguage) {
  CheckedTool tool(GetParam());
  ASSERT_EQ(tool.verdict.status, ProgramStatus::NewVersion);
  const struct {
    unsigned lcid;
    const char* publisher_label;
    const char* yours;
  } cases[] = {{1033, "Publisher", "(yours)"},
               {1031, "Hersteller", "(Ihre)"},
               {2055, "Hersteller", "(Ihre)"},
               {1036, "Publisher", "(yours)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lcid);
    const PageAnswer page =
        GetPage(tool.service, FeedbackPath(tool.verdict, ClientGuid(3), c.lcid));
    EXPECT_EQ(page.status, 200);
    EXPECT_THAT(page.body, HasSubstr("<h1 id=\"program\">Tool</h1>"));
    EXPECT_THAT(page.body, HasSubstr(c.publisher_label));
    EXPECT_THAT(page.body, HasSubstr("<dd id=\"publisher\">Vendor</dd>"));
    EXPECT_THAT(page.body, HasSubstr("href=\"https:&#x2F;&#x2F;tool.example.org&#x2F;\""));
    // Both versions with the machines that reported them, the installed one marked.
    EXPECT_THAT(page.body, HasSubstr("<td>2.0</td><td class=\"number\">2</td>"));
    EXPECT_THAT(page.body, HasSubstr(std::string("<td>1.0 ") + c.yours + "</td>"));
  }
}

TEST_P(ServiceFeedbackPageTest, AProgramTheCatalogDoesNotHoldGetsAPageSayingSo) {
  CheckedTool tool(GetParam());
  for (const std::string& hash :
       std::vector<std::string>{"", "0123456789abcdef", std::string(5000, 'a')}) {
    const PageAnswer page = GetPage(
        tool.service, std::string(service::FeedbackPage::kPath) + "?lcid=1031&vid=0&hash=" + hash);
    EXPECT_EQ(page.status, 404);
    EXPECT_THAT(page.body, HasSubstr("Programm nicht im Katalog"));
    EXPECT_THAT(page.body, Not(HasSubstr("<form")));
  }
}

TEST_P(ServiceFeedbackPageTest, AReportThroughTheFormIsStoredCountedOncePerClientAndListed) {
  CheckedTool tool(GetParam());
  const std::string version = std::to_string(tool.VersionId("2.0"));

  PageAnswer answer =
      PostForm(tool.service, Form(tool.verdict, ClientGuid(3), version, "2.0 is a beta"));
  EXPECT_EQ(answer.status, 200);
  EXPECT_THAT(answer.body, HasSubstr("your report has been recorded"));
  // The same client again counts once and its comment is replaced; another client counts.
  PostForm(tool.service, Form(tool.verdict, ClientGuid(3), version, "2.0 is a beta!"));
  answer = PostForm(tool.service, Form(tool.verdict, ClientGuid(4), version));
  PostForm(tool.service, Form(tool.verdict, ClientGuid(4), "0", "not my tool"));
  EXPECT_THAT(answer.body, HasSubstr("<td>2.0</td><td class=\"number\">2</td><td>yes</td>"
                                     "<td class=\"number\">2</td>"));

  const std::string list = ReportsList(tool.service);
  EXPECT_THAT(list, HasSubstr("2 clients\tregistry:tool|vendor\tversion 2.0 is wrong\tlast 20"));
  EXPECT_THAT(list, HasSubstr("\t\"2.0 is a beta!\"\n"));
  EXPECT_THAT(list, Not(HasSubstr("\"2.0 is a beta\"")));
  EXPECT_THAT(list, HasSubstr("1 client\tregistry:tool|vendor\tthe match is wrong\t"));
  EXPECT_THAT(list, HasSubstr("\t\"not my tool\"\n"));
  const PageAnswer page = GetPage(tool.service, FeedbackPath(tool.verdict, ClientGuid(3)));
  EXPECT_THAT(page.body, HasSubstr("<dt>Reported as the wrong program by</dt><dd>1</dd>"));
}

TEST_P(ServiceFeedbackPageTest, AReportThatCannotBeTakenIsRefusedAndNothingIsStored) {
  CheckedTool tool(GetParam());
  CheckOne(tool.service, Machine(5), "Other", "7.0");
  std::int64_t other_version = 0;
  for (const auto& entry : tool.service.Store().Export()) {
    if (entry.program.name == "Other") other_version = entry.versions.at(0).id;
  }
  const struct {
    const char* what;
    std::string cid;
    std::string subject;
    const char* says;
  } cases[] = {
      {"no client GUID", "", "0", "does not name your client"},
      {"a client GUID of another shape", "client-3", "0", "does not name your client"},
      {"a version of another program", ClientGuid(3), std::to_string(other_version),
       "choose what is wrong"},
      {"a version that does not exist", ClientGuid(3), "999999", "choose what is wrong"},
      {"no number", ClientGuid(3), "1; DROP TABLE feedback", "choose what is wrong"},
      {"a negative number", ClientGuid(3), "-1", "choose what is wrong"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const PageAnswer answer = PostForm(tool.service, Form(tool.verdict, c.cid, c.subject));
    EXPECT_EQ(answer.status, 400);
    EXPECT_THAT(answer.body, HasSubstr(c.says));
  }
  EXPECT_EQ(ReportsList(tool.service), "no reports\n");
}

// Another site's page cannot post the form in its visitor's browser: such a report is neither
// recorded nor makes its GUID a client of the catalog.
TEST_P(ServiceFeedbackPageTest, AFormPostedFromAnotherSiteIsRefused) {
  CheckedTool tool(GetParam());
  const std::string version = std::to_string(tool.VersionId("2.0"));
  const std::string here = "http://127.0.0.1:" + std::to_string(tool.service.Port());
  const std::int64_t clients = tool.service.Store().Counts(1).clients;
  const struct {
    const char* what;
    httplib::Headers headers;
    int status;
  } cases[] = {
      {"a browser says: from another site", {{"Sec-Fetch-Site", "cross-site"}}, 403},
      {"a browser says: from a sibling site", {{"Sec-Fetch-Site", "same-site"}}, 403},
      {"an older browser names another origin", {{"Origin", "https://evil.example"}}, 403},
      {"a sandboxed page", {{"Origin", "null"}}, 403},
      {"the page itself", {{"Sec-Fetch-Site", "same-origin"}, {"Origin", here}}, 200},
      {"the page itself, in an older browser", {{"Origin", here}}, 200},
  };
  int guid = 100;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const PageAnswer answer =
        PostForm(tool.service, Form(tool.verdict, ClientGuid(++guid), version), c.headers);
    EXPECT_EQ(answer.status, c.status);
    if (c.status == 403) {
      EXPECT_THAT(answer.body, HasSubstr("sent from another site"));
    }
  }
  EXPECT_EQ(tool.service.Store().Counts(1).clients, clients + 2);
  EXPECT_THAT(ReportsList(tool.service), HasSubstr("2 clients\tregistry:tool|vendor\tversion 2.0"));
}

TEST_P(ServiceFeedbackPageTest, HostileTextFromClientsIsShownEscaped) {
  RunningService service(GetParam(), 1);
  const std::string name = "<script>alert(1)</script>'); DROP TABLE programs; --";
  const std::string publisher = "\"><img src=x onerror=alert(2)>";
  std::vector<std::unique_ptr<Program>> programs;
  programs.push_back(RegistryEntry(name, "<b>1.0</b>", publisher, "Hostile"));
  const VerdictList records = Check(service, Machine(1), std::move(programs));
  const ProgramVerdict& verdict = records.Items(0);
  ASSERT_EQ(verdict.status, ProgramStatus::Current);
  // A home page a maintainer's store holds that is no web address is not made a link.
  service::CatalogEntry entry;
  entry.program.identity = service.Store().Export().at(0).program.identity;
  entry.program.homepage = "javascript:alert(3)";
  service.Store().Curate(std::span(&entry, 1));
  PostForm(service, Form(verdict, ClientGuid(1), "0", "</textarea><script>alert(4)</script>"));

  const PageAnswer page = GetPage(service, FeedbackPath(verdict, "{\"><script>alert(5)</script>}"));

  EXPECT_EQ(page.status, 200);
  EXPECT_THAT(page.body, Not(HasSubstr("<script")));
  EXPECT_THAT(page.body, Not(HasSubstr("<img")));
  EXPECT_THAT(page.body, Not(HasSubstr("<b>")));
  EXPECT_THAT(page.body, Not(HasSubstr("javascript:")));
  EXPECT_THAT(page.body, AllOf(HasSubstr("&lt;script&gt;alert(1)&lt;"),
                               HasSubstr("&quot;&gt;&lt;img src=x onerror=alert(2)&gt;"),
                               HasSubstr("&lt;b&gt;1.0&lt;"), HasSubstr("alert(5)")));
  // What a maintainer reads in the terminal is one line per comment.
  EXPECT_THAT(ReportsList(service), HasSubstr("\t\"</textarea><script>alert(4)</script>\"\n"));
}

TEST_P(ServiceFeedbackPageTest, ACommentIsCutAndCannotSteerTheMaintainersTerminal) {
  CheckedTool tool(GetParam());
  const std::string long_comment(2000, 'x');
  PostForm(tool.service, Form(tool.verdict, ClientGuid(3), "0", long_comment));
  PostForm(tool.service, Form(tool.verdict, ClientGuid(4), "0",
                              "line one\nline two\x1b[2J\xc2\x9b"
                              "31m\tend"));

  const std::string list = ReportsList(tool.service);
  EXPECT_THAT(list,
              HasSubstr("\t\"" + std::string(service::FeedbackPage::kCommentLimit, 'x') + "\"\n"));
  EXPECT_THAT(list, HasSubstr("\t\"line one line two\xEF\xBF\xBD[2J\xEF\xBF\xBD"
                              "31m end\"\n"));
  EXPECT_THAT(list, Not(HasSubstr("\x1b")));
}

INSTANTIATE_TEST_SUITE_P(Engines, ServiceFeedbackPageTest, testing::ValuesIn(kCatalogEngines),
                         [](const auto& info) { return EngineName(info.param); });

}  // namespace
}  // namespace lintrove::test
