// The built lintrove-cli, started as a user starts it: what only the program as a whole shows.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lintrove {
namespace {

using ::testing::HasSubstr;

struct Finished {
  int status = -1;
  std::string output;             // standard output and standard error
  long peakMemoryKilobytes = -1;  // the largest resident set the process had
};

// Runs the program with these arguments exactly as bytes, no shell between. With an endless
// input, standard input is a pipe that gives a registry file's header and then comment lines
// until the program stops reading.
Finished RunCli(const std::vector<std::string>& args, const test::TempDir& scratch,
                bool endlessInput = false) {
  const std::string outputFile = (scratch / "output.txt").string();
  int input[2];
  if (::pipe(input) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(input[0], STDIN_FILENO);
    ::close(input[0]);
    ::close(input[1]);
    const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    std::vector<char*> argv = {const_cast<char*>(LINTROVE_CLI_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(LINTROVE_CLI_PATH, argv.data());
    ::_exit(127);
  }
  ::close(input[0]);
  if (endlessInput) {
    // The program ends while the pipe is written: the write fails then, and must not kill us.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::string block = "Windows Registry Editor Version 5.00\r\n";
    while (block.size() < (1 << 16)) block += "; a comment line, and another, and another\r\n";
    while (::write(input[1], block.data(), block.size()) > 0) {
    }
    std::signal(SIGPIPE, previous);
  }
  ::close(input[1]);
  Finished finished;
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) == child && WIFEXITED(status)) {
    finished.status = WEXITSTATUS(status);
  }
  finished.peakMemoryKilobytes = usage.ru_maxrss;
  finished.output = test::ReadFileBytes(outputFile);
  return finished;
}

TEST(CliProgramTest, PathsThatAreNotUtf8WorkWhileNamesMustBeText) {
  test::TempDir scratch;
  const std::string registry = (scratch / "Regis\xF0try").string();  // Latin-1 "ð"
  const std::string file = (scratch / "Caf\xE9.reg").string();       // Latin-1 "é"
  test::WriteFileBytes(file,
                       "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Caf\xC3\xA9]\r\n\"Name\"=\"1\"\r\n");

  Finished imported = RunCli({"--registry-dir", registry, "reg", "import", file}, scratch);
  EXPECT_EQ(imported.status, 0) << imported.output;
  Finished queried =
      RunCli({"--registry-dir", registry, "reg", "query", "HKCU\\Software\\Caf\xC3\xA9"}, scratch);
  EXPECT_EQ(queried.status, 0) << queried.output;
  EXPECT_THAT(queried.output, HasSubstr("Name    REG_SZ    1"));

  Finished refused =
      RunCli({"--registry-dir", registry, "reg", "add", "HKCU\\Software\\Caf\xE9"}, scratch);
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(refused.output, HasSubstr("UTF-8"));
}

// An input without end is refused when it passes the 512 MB cap, without the program ever
// holding that much of it.
TEST(CliProgramTest, AnEndlessImportIsRefusedWithoutHoldingIt) {
  test::TempDir scratch;
  const std::string registry = (scratch / "registry").string();
  const struct {
    const char* label;
    std::string file;
    bool endlessInput;
  } cases[] = {{"a device", "/dev/zero", false}, {"a pipe", "/dev/stdin", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Finished finished =
        RunCli({"--registry-dir", registry, "reg", "import", c.file}, scratch, c.endlessInput);
    EXPECT_EQ(finished.status, 1) << finished.output;
    EXPECT_THAT(finished.output, HasSubstr(c.file));
    EXPECT_LT(finished.peakMemoryKilobytes, 128 * 1024);
  }
}

}  // namespace
}  // namespace lintrove
