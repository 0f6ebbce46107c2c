#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/shell.h"
#include "shell_probe.h"

namespace lintrove::platform {
namespace {

using ::testing::ElementsAre;

class Win32ShellTest : public ::testing::Test {
 protected:
  test::ShellProbe probe_;
};

TEST_F(Win32ShellTest, StartsACommandLineWithAQuotedProgramPath) {
  ASSERT_TRUE(SystemShell().StartCommandLine("\"" + probe_.Program() +
                                             "\" /S \"C:\\Program Files\\Alpha\" Größe"));
  EXPECT_THAT(probe_.WaitForStart(),
              ElementsAre(probe_.Program(), "/S", "C:\\Program Files\\Alpha", "Größe"));
}

TEST_F(Win32ShellTest, OpensAProgramWithItsParameters) {
  ASSERT_TRUE(
      SystemShell().ShellOpen(probe_.Program(), "/X {3F2A5C10-7B4D-4E21-9A6C-1D2E3F405161}"));
  EXPECT_THAT(probe_.WaitForStart(),
              ElementsAre(probe_.Program(), "/X", "{3F2A5C10-7B4D-4E21-9A6C-1D2E3F405161}"));
  ASSERT_TRUE(SystemShell().ShellOpen(probe_.Program()));
  EXPECT_THAT(probe_.WaitForStart(), ElementsAre(probe_.Program()));
}

// The Linux shell splits the command lines it hands to Wine itself: the arguments must be the
// ones a program's C run-time finds in the same command line on Windows.
TEST_F(Win32ShellTest, ArgumentsAreSplitAsTheRunTimeSplitsThem) {
  for (std::string_view arguments : {
           "  a\tb ",
           R"(a\\\b d"e f"g h)",
           R"(a\\\"b c d)",
           R"(a\\\\"b c" d e)",
           R"("a""b" "")",
           R"("unterminated arg)",
           R"("/D=C:\Program Files\Größe\" /S)",
       }) {
    const std::string line = "\"" + probe_.Program() + "\" " + std::string(arguments);
    ASSERT_TRUE(SystemShell().StartCommandLine(line)) << line;
    std::vector<std::string> expected = SplitWindowsCommandLine(line);
    EXPECT_EQ(probe_.WaitForStart(), expected) << arguments;
  }
}

TEST(Win32ShellFailureTest, ProgramsThatDoNotExistDoNotStart) {
  EXPECT_FALSE(SystemShell().StartCommandLine("\"C:\\Kein Verzeichnis\\fehlt.exe\" /S"));
  EXPECT_FALSE(SystemShell().StartCommandLine("keinprogramm-lintrove.exe"));
  EXPECT_FALSE(SystemShell().StartCommandLine(""));
  EXPECT_FALSE(SystemShell().ShellOpen("C:\\Kein Verzeichnis\\fehlt.exe", "/S"));
}

}  // namespace
}  // namespace lintrove::platform
