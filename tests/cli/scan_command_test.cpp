#include "scan_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <sstream>

#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "support/temp_dir.h"

namespace lintrove::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct Outcome {
  int status;
  std::string out, err;
};

// The demo machine as the store of a registry directory.
class ScanCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(LINTROVE_DEMO_MACHINE, dir_ / "HKEY_LOCAL_MACHINE.reg");
  }

  Outcome Run(std::vector<std::string> args, bool showProgress = false) {
    platform::PosixRegistry registry(dir_.Path());
    platform::PosixInstallerDatabase installer(registry);
    std::ostringstream out, err;
    std::istringstream in;
    CommandContext context{registry, out, err, in, false};
    int status = RunScanCommand(args, context, installer, showProgress);
    return {status, out.str(), err.str()};
  }

  // The names of the listed programs by source, in order, from the table's fixed columns.
  static std::vector<std::pair<std::string, std::string>> Rows(const std::string& table) {
    std::istringstream lines(table);
    std::string header;
    std::getline(lines, header);
    std::size_t nameColumn = header.find("Name");
    std::size_t versionColumn = header.find("Version");
    std::vector<std::pair<std::string, std::string>> rows;
    for (std::string line; std::getline(lines, line);) {
      std::string name = line.substr(nameColumn, versionColumn - nameColumn);
      name.erase(name.find_last_not_of(' ') + 1);
      std::string source = line.substr(0, nameColumn);
      source.erase(source.find_last_not_of(' ') + 1);
      rows.emplace_back(source, name);
    }
    return rows;
  }

  test::TempDir dir_;
};

TEST_F(ScanCommandTest, DemoMachineListsEachProgramOnceInScanOrder) {
  Outcome outcome = Run({});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_THAT(outcome.err, IsEmpty());
  auto rows = Rows(outcome.out);

  std::map<std::string, int> seen;
  std::size_t installerRows = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ++seen[rows[i].second];
    if (rows[i].first == "Windows Installer") {
      EXPECT_EQ(i, installerRows) << "installer products come first";
      ++installerRows;
    } else {
      EXPECT_EQ(rows[i].first, "Registry");
    }
  }
  // Every installed product registered with the installer, once, although its Uninstall entry
  // (and, for Chrome, the entry of its own setup) names it too.
  EXPECT_EQ(installerRows, 45u);
  for (std::string_view product : {"Google Chrome", "Inkscape", "Java 8 Update 391",
                                   "Adobe Acrobat Reader - Deutsch", "LibreOffice 7.6.4.1"}) {
    EXPECT_EQ(seen[std::string(product)], 1) << product;
  }
  // Both views: 32-bit programs before 64-bit ones.
  auto position = [&](std::string_view name) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].second == name) return static_cast<int>(i);
    }
    return -1;
  };
  EXPECT_GT(position("FileZilla 3.66.4"), 0);
  EXPECT_GT(position("7-Zip 23.01 (x64)"), position("FileZilla 3.66.4"));
  // No system component, child update, entry without uninstaller or without a usable name.
  for (std::string_view hidden :
       {"Windows Defender Platform Helper", "Microsoft Edge Update", "Beispiel Dienstprogramm",
        "Sicherheitsupdate für Microsoft Office 2016 (KB5002520) 32-Bit-Edition",
        "Hotfix für Microsoft .NET Framework (KB2565063)", "Realtek Audio Service", ""}) {
    EXPECT_EQ(seen.count(std::string(hidden)), 0u) << hidden;
  }
  EXPECT_EQ(seen["Microsoft Office Professional Plus 2016"], 1);
}

TEST_F(ScanCommandTest, JsonCarriesEveryPropertyAndTheIdentifier) {
  // The element of the first program whose property `name` reads `value`.
  auto find = [](const nlohmann::ordered_json& programs, const char* name, const char* value) {
    for (const auto& program : programs) {
      if (program.value(name, "") == value) return program;
    }
    return nlohmann::ordered_json();
  };
  Outcome plain = Run({"--json"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  const auto programs = nlohmann::ordered_json::parse(plain.out);
  ASSERT_TRUE(programs.is_array());
  EXPECT_EQ(programs.front()["class"], "tWindowsInstallerProgramm");
  EXPECT_EQ(std::ranges::count(plain.out, '\n'), static_cast<long>(programs.size()) + 2)
      << "one program to a line";

  const auto zip = find(programs, "DisplayName", "7-Zip 23.01 (x64)");
  ASSERT_TRUE(zip.is_object());
  std::vector<std::string> keys;
  for (const auto& [key, value] : zip.items()) keys.push_back(key);
  ASSERT_GE(keys.size(), 5u);
  EXPECT_THAT(
      std::vector(keys.begin(), keys.begin() + 5),
      ::testing::ElementsAre("class", "identifier", "DisplayName", "DisplayVersion", "DisplayIcon"))
      << "the properties in the order they are published";
  EXPECT_EQ(zip["class"], "tRegistryProgramm");
  EXPECT_EQ(zip["identifier"], "7-Zip7-Zip 23.01 (x64)23.01");
  EXPECT_EQ(zip["DisplayIcon"], "C:\\Program Files\\7-Zip\\7zFM.exe,0");
  const auto wireguard = find(programs, "Manufacturer", "WireGuard LLC");
  EXPECT_EQ(wireguard["ARPCONTACT"], "");
  EXPECT_EQ(wireguard["ARPCOMMENTS"], "");

  Outcome extended = Run({"--extended", "--json"});
  ASSERT_EQ(extended.status, 0) << extended.err;
  const auto extended_wireguard =
      find(nlohmann::ordered_json::parse(extended.out), "Manufacturer", "WireGuard LLC");
  EXPECT_EQ(extended_wireguard["ARPCONTACT"], "team@wireguard.com");
  EXPECT_EQ(extended_wireguard["ARPCOMMENTS"], "Fast, modern, secure VPN tunnel");
}

TEST_F(ScanCommandTest, ProgressGoesToTheErrorStreamOnlyWhenAsked) {
  Outcome outcome = Run({}, true);
  ASSERT_EQ(outcome.status, 0);
  EXPECT_THAT(outcome.err, HasSubstr("Windows Installer 1 von 45: "));
  EXPECT_THAT(outcome.err, HasSubstr("Registry "));
  EXPECT_EQ(outcome.out, Run({}).out);
}

TEST_F(ScanCommandTest, UnknownArgumentIsAUsageError) {
  Outcome outcome = Run({"--fast"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_THAT(outcome.err, HasSubstr("unknown argument '--fast'"));
  EXPECT_THAT(outcome.err, HasSubstr("Usage: lintrove-cli scan"));
  EXPECT_THAT(outcome.out, IsEmpty());
}

TEST_F(ScanCommandTest, EmptyMachineListsNothing) {
  std::filesystem::remove(dir_ / "HKEY_LOCAL_MACHINE.reg");
  Outcome table = Run({});
  EXPECT_EQ(table.status, 0);
  EXPECT_EQ(table.out, "Source  Name  Version  Publisher\n");
  EXPECT_EQ(Run({"--json"}).out, "[]\n");
}

}  // namespace
}  // namespace lintrove::cli
