#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "localization/localizer.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

// Runs the built lintrove-cli, with the language files the build put beside it, and returns
// what it wrote.
std::string RunCli(const std::string& environment, const std::string& arguments) {
  const std::string command = "env -u LC_ALL -u LC_MESSAGES -u LINTROVE_LANGUAGE_DIR " +
                              environment + " '" LINTROVE_CLI_PATH "' " + arguments + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  std::string output;
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
  return output;
}

TEST(CliLanguageTest, MessagesReadInTheUsersLanguageWithEnglishAsTheFallback) {
  // An empty registry names no service, so the check fails with the connection message.
  test::TempDir registry;
  const std::string english = "An error occurred while connecting to the server.";
  const std::string german = "Es ist beim Verbinden zum Server ein Fehler aufgetreten.";
  struct Case {
    std::string lang;
    std::string expected;
  };
  for (const Case& test_case : {Case{"en_US.UTF-8", english}, Case{"de_DE.UTF-8", german},
                                Case{"fr_FR.UTF-8", english}, Case{"C", english}}) {
    const std::string output = RunCli(
        "LANG=" + test_case.lang + " LINTROVE_REGISTRY_DIR='" + registry.Path().string() + "'",
        "check");
    EXPECT_NE(output.find(test_case.expected), std::string::npos) << test_case.lang << ":\n"
                                                                  << output;
  }
}

TEST(CliLanguageTest, WithoutLanguageFilesTheBuiltInGermanStays) {
  test::TempDir registry;
  test::TempDir no_languages;
  const std::string output =
      RunCli("LANG=en_US.UTF-8 LINTROVE_REGISTRY_DIR='" + registry.Path().string() + "'",
             "--language-dir '" + no_languages.Path().string() + "' check");
  EXPECT_NE(output.find("Es ist beim Verbinden zum Server ein Fehler aufgetreten."),
            std::string::npos)
      << output;
}

// Built, the language files lie beside the programs; installed on Linux, in the data directory
// beside bin/; either way without a path of the build machine in the program.
TEST(CliLanguageTest, TheLanguageFilesAreBesideTheProgramElseInTheInstallationsDataDirectory) {
  test::TempDir prefix;
  std::filesystem::create_directories(prefix / "bin");
  EXPECT_EQ(InstalledLanguageDir(prefix / "bin"), prefix / "share/lintrove/languages");
  std::filesystem::create_directories(prefix / "bin/Languages");
  EXPECT_EQ(InstalledLanguageDir(prefix / "bin"), prefix / "bin/Languages");
}

}  // namespace
}  // namespace lintrove
