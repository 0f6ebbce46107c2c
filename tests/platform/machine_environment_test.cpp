#include <gtest/gtest.h>

#include <cstdio>

#include "base/text.h"
#include "platform/posix/posix_machine_files.h"
#include "platform/posix/posix_registry.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

// A REG_EXPAND_SZ value as regedit exports it: UTF-16LE bytes with the terminator, in hex.
std::string ExpandSz(std::string_view text) {
  std::string out = "hex(2):";
  std::vector<std::uint8_t> bytes = Utf8ToUtf16Le(text);
  bytes.insert(bytes.end(), {0, 0});
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
    out += (i ? "," : "") + std::string(hex);
  }
  return out;
}

std::string RegFile(std::string_view body) {
  return "Windows Registry Editor Version 5.00\r\n\r\n" + std::string(body);
}

// A 64-bit machine that keeps its folders elsewhere than Windows' defaults, with variables of
// the system and of the user.
const std::string kRecordedMachine =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
    "\"SystemRoot\"=\"D:\\\\WINNT\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
    "\"ProgramFilesDir\"=\"D:\\\\Programme\"\r\n"
    "\"ProgramFilesDir (x86)\"=\"D:\\\\Programme (x86)\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList]\r\n"
    "\"ProgramData\"=" +
    ExpandSz("%SystemDrive%\\ProgramData") +
    "\r\n"
    "\"ProfilesDirectory\"=" +
    ExpandSz("%SystemDrive%\\Benutzer") +
    "\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment]\r\n"
    "\"OS\"=\"Windows_NT\"\r\n"
    "\"TEMP\"=" +
    ExpandSz("%SystemRoot%\\TEMP") +
    "\r\n"
    "\"windir\"=" +
    ExpandSz("%SystemRoot%") + "\r\n\r\n";
const std::string kRecordedUser =
    "[HKEY_CURRENT_USER\\Environment]\r\n"
    "\"TEMP\"=" +
    ExpandSz("%USERPROFILE%\\AppData\\Local\\Temp") + "\r\n\r\n";

TEST(MachineEnvironmentTest, ReferencesExpandAsWindowsWouldOnTheInventoriedMachine) {
  struct Machine {
    std::string name;
    std::string local_machine;
    std::string current_user;
    std::vector<std::pair<std::string, std::string>> expansions;
  };
  const Machine machines[] = {
      {"recorded folders and variables",
       kRecordedMachine,
       kRecordedUser,
       {
           {"%SystemRoot%\\system32\\shell32.dll,-154", "D:\\WINNT\\system32\\shell32.dll,-154"},
           {"%windir%\\system32\\msiexec.exe", "D:\\WINNT\\system32\\msiexec.exe"},
           {"%WinDir%", "D:\\WINNT"},
           {"%SystemDrive%", "D:"},
           {"%ProgramFiles%\\App\\app.exe,0", "D:\\Programme\\App\\app.exe,0"},
           {"%ProgramFiles(x86)%", "D:\\Programme (x86)"},
           {"%CommonProgramFiles%", "D:\\Programme\\Common Files"},
           {"%CommonProgramFiles(x86)%", "D:\\Programme (x86)\\Common Files"},
           {"%ProgramW6432%", "D:\\Programme"},
           {"%ProgramData%", "D:\\ProgramData"},
           {"%ALLUSERSPROFILE%", "D:\\ProgramData"},
           {"%USERPROFILE%", "D:\\Benutzer\\anna"},
           {"%OS%", "Windows_NT"},
           // The user's variable replaces the system's.
           {"%TEMP%", "D:\\Benutzer\\anna\\AppData\\Local\\Temp"},
           // This process's variables are not the machine's.
           {"%HOME%\\app.exe", "%HOME%\\app.exe"},
           {"%PATH%", "%PATH%"},
           // An undefined reference stays; its closing % may open the next one.
           {"100% of %windir%", "100% of D:\\WINNT"},
           {"%%", "%%"},
           {"%windir", "%windir"},
           {"", ""},
       }},
      {"a 32-bit machine that records nothing: Windows' defaults",
       "",
       "",
       {
           {"%SystemRoot%", "C:\\Windows"},
           {"%windir%\\system32\\msiexec.exe", "C:\\Windows\\system32\\msiexec.exe"},
           {"%ProgramFiles%", "C:\\Program Files"},
           {"%CommonProgramFiles%", "C:\\Program Files\\Common Files"},
           {"%ProgramFiles(x86)%", "%ProgramFiles(x86)%"},
           {"%ProgramData%", "C:\\ProgramData"},
           {"%USERPROFILE%", "C:\\Users\\anna"},
       }},
      {"the logged-on user as Windows records them",
       "",
       "[HKEY_CURRENT_USER\\Volatile Environment]\r\n\"USERNAME\"=\"bob\"\r\n\r\n",
       {{"%USERPROFILE%", "C:\\Users\\bob"}, {"%USERNAME%", "bob"}}},
  };
  for (const Machine& machine : machines) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "HKEY_LOCAL_MACHINE.reg", RegFile(machine.local_machine));
    test::WriteFileBytes(dir / "HKEY_CURRENT_USER.reg", RegFile(machine.current_user));
    PosixRegistry registry(dir.Path());
    const PosixMachineFiles files(registry, DriveMap(), "anna");
    for (const auto& [text, expanded] : machine.expansions) {
      EXPECT_EQ(files.ExpandEnvironment(text), expanded) << machine.name << ": " << text;
    }
  }
}

TEST(MachineEnvironmentTest, AChangedRegistryCountsAtTheNextExpansion) {
  test::TempDir dir;
  PosixRegistry registry(dir.Path());
  const PosixMachineFiles files(registry, DriveMap(), "anna");
  EXPECT_EQ(files.ExpandEnvironment("%windir%"), "C:\\Windows");
  const std::string file = RegFile(kRecordedMachine);
  registry.Import({file.begin(), file.end()}, "machine.reg", RegistryView::Default);
  EXPECT_EQ(files.ExpandEnvironment("%windir%"), "D:\\WINNT");
}

}  // namespace
}  // namespace lintrove::platform
