// The service's pages as a real browser renders them: headless Chromium loads them from the
// service on 127.0.0.1 and gives back the document it built.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "catalog/release.h"
#include "page_client.h"

namespace lintrove::test {
namespace {

using testing::HasSubstr;
using testing::Not;

constexpr const char* kChromium = "/usr/bin/chromium";

// The DOM Chromium built from the page at `url`, serialised; Chromium dies with the test, and
// after a minute without an answer.
std::string RenderedDom(const std::string& url) {
  TempDir profile;
  int out[2];
  EXPECT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    // Its complaints about the missing system bus are no part of the test's output.
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    // Root may only run Chromium without its sandbox.
    const std::string user_data = "--user-data-dir=" + profile.Path().string();
    execl(kChromium, kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
          "--disable-extensions", user_data.c_str(), "--dump-dom", url.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string dom;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  pollfd readable{out[0], POLLIN, 0};
  while (std::chrono::steady_clock::now() < deadline) {
    if (poll(&readable, 1, 1000) <= 0) continue;
    char buffer[4096];
    const ssize_t read_bytes = read(out[0], buffer, sizeof buffer);
    if (read_bytes <= 0) break;
    dom.append(buffer, static_cast<std::size_t>(read_bytes));
  }
  close(out[0]);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  return dom;
}

TEST(ServiceBrowserTest, TheFeedbackPageRendersWithTheProgramAndNothingSmuggledIn) {
  ASSERT_EQ(access(kChromium, X_OK), 0) << "scripts/setup installs chromium";
  RunningService service(1);
  std::vector<std::unique_ptr<Program>> programs;
  programs.push_back(RegistryEntry("Tool Deluxe", "2.0", "Tool Corp"));
  programs.push_back(
      RegistryEntry("<script>document.title='owned'</script><img src=x onerror=alert(1)>", "1.0",
                    "Vendor", "Hostile"));
  const VerdictList verdicts = Check(service, {ClientGuid(1)}, std::move(programs));
  const std::string base = "http://127.0.0.1:" + std::to_string(service.Port());

  const std::string tool = RenderedDom(base + FeedbackPath(verdicts.Items(0), ClientGuid(1), 1031));
  EXPECT_THAT(tool, HasSubstr("<h1 id=\"program\">Tool Deluxe</h1>"));
  EXPECT_THAT(tool, HasSubstr("<dd id=\"publisher\">Tool Corp</dd>"));
  EXPECT_THAT(tool, HasSubstr("Stimmt etwas nicht?"));

  const std::string hostile = RenderedDom(base + FeedbackPath(verdicts.Items(1), ClientGuid(1)));
  EXPECT_THAT(hostile, HasSubstr("<h1 id=\"program\">&lt;script&gt;document.title='owned'"));
  EXPECT_THAT(hostile, Not(HasSubstr("<script")));
  EXPECT_THAT(hostile, Not(HasSubstr("<img")));
  EXPECT_THAT(hostile, Not(HasSubstr("<title>owned")));
}

TEST(ServiceBrowserTest, TheInformationPageOfTheReleaseRenders) {
  ASSERT_EQ(access(kChromium, X_OK), 0) << "scripts/setup installs chromium";
  TempDir dir;
  WriteFileBytes(dir / "release.json",
                 R"({"version": "1.5.0.0", "setup": "setup.exe", "notes": ["Faster checks."]})");
  WriteFileBytes(dir / "setup.exe", "MZ");
  RunningService service(3, service::LoadRelease(dir.Path()));

  const std::string page =
      RenderedDom("http://127.0.0.1:" + std::to_string(service.Port()) + "/release/1.5.0.0/");

  EXPECT_THAT(page, HasSubstr("<h1 id=\"release\">Lintrove 1.5.0.0</h1>"));
  EXPECT_THAT(page, HasSubstr("<p>Faster checks.</p>"));
  EXPECT_THAT(page, HasSubstr("<a id=\"download\" href=\"setup.exe\">setup.exe</a>"));
}

}  // namespace
}  // namespace lintrove::test
