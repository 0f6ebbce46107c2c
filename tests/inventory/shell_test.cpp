#include "platform/shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

using ::testing::ElementsAre;

TEST(WindowsCommandLineTest, SplitsByTheRuntimesRules) {
  struct Case {
    std::string_view line;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"", {}},
      {"   ", {}},
      {R"("C:\Program Files\App\unins000.exe" /S)", {R"(C:\Program Files\App\unins000.exe)", "/S"}},
      {"MsiExec.exe /X{11111111-2222-3333-4444-555555555555}",
       {"MsiExec.exe", "/X{11111111-2222-3333-4444-555555555555}"}},
      {R"(  app.exe   a	b )", {"app.exe", "a", "b"}},
      // The program name takes backslashes literally.
      {R"(C:\dir\"a b"\app.exe x)", {R"(C:\dir\a b\app.exe)", "x"}},
      {R"(x a\\\b d"e f"g h)", {"x", R"(a\\\b)", "de fg", "h"}},
      {R"(x a\\\"b c d)", {"x", R"(a\"b)", "c", "d"}},
      {R"(x a\\\\"b c" d e)", {"x", R"(a\\b c)", "d", "e"}},
      {R"(x "a""b" "")", {"x", R"(a"b)", ""}},
      {R"(x "unterminated arg)", {"x", "unterminated arg"}},
      // Without quotes a path with blanks falls apart, as it does for CreateProcess's arguments.
      {R"(C:\Program Files\App\setup.exe /x)", {R"(C:\Program)", R"(Files\App\setup.exe)", "/x"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitWindowsCommandLine(c.line), c.args) << c.line;
  }
}

// Stand-ins for Wine and xdg-open on PATH that write their arguments, one per line, into a pipe:
// reading the pipe waits for them without sleeping.
class SystemShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* path = std::getenv("PATH")) savedPath_ = path;
    pipe_ = dir_ / "arguments";
    ASSERT_EQ(::mkfifo(pipe_.c_str(), 0600), 0);
  }
  void TearDown() override {
    if (savedPath_) ::setenv("PATH", savedPath_->c_str(), 1);
  }

  void Install(std::string_view program) {
    std::filesystem::path file = dir_ / "bin" / program;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << pipe_.string() << "'\n";
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    ::setenv("PATH", (dir_ / "bin").c_str(), 1);
  }

  std::vector<std::string> ArgumentsGot() {
    std::ifstream in(pipe_);
    std::vector<std::string> args;
    for (std::string line; std::getline(in, line);) args.push_back(line);
    return args;
  }

  test::TempDir dir_;
  std::filesystem::path pipe_;
  std::optional<std::string> savedPath_;
};

TEST_F(SystemShellTest, WindowsCommandLineRunsThroughWine) {
  Install("wine");
  ASSERT_TRUE(SystemShell().StartCommandLine(R"("C:\Program Files\App\unins000.exe" /S)"));
  EXPECT_THAT(ArgumentsGot(), ElementsAre(R"(C:\Program Files\App\unins000.exe)", "/S"));
}

TEST_F(SystemShellTest, MsiexecRunsThroughWine) {
  Install("wine");
  ASSERT_TRUE(SystemShell().ShellOpen("msiexec.exe", "/X {11111111-2222-3333-4444-555555555555}"));
  EXPECT_THAT(ArgumentsGot(),
              ElementsAre("msiexec.exe", "/X", "{11111111-2222-3333-4444-555555555555}"));
}

TEST_F(SystemShellTest, AddressOpensWithTheDesktopsOpener) {
  Install("xdg-open");
  ASSERT_TRUE(SystemShell().ShellOpen("https://example.org/tool?a=1&b=2"));
  EXPECT_THAT(ArgumentsGot(), ElementsAre("https://example.org/tool?a=1&b=2"));
}

TEST_F(SystemShellTest, WithoutWineNothingStarts) {
  ::setenv("PATH", dir_.Path().c_str(), 1);
  EXPECT_FALSE(SystemShell().StartCommandLine(R"("C:\App\unins000.exe")"));
  EXPECT_FALSE(SystemShell().ShellOpen("msiexec.exe", "/X {11111111-2222-3333-4444-555555555555}"));
  Install("wine");
  EXPECT_FALSE(SystemShell().StartCommandLine(""));
  EXPECT_FALSE(SystemShell().StartCommandLine("   "));
}

}  // namespace
}  // namespace lintrove::platform
