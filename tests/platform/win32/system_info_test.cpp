#include "platform/system_info.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <charconv>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "inventory/platform_facts.h"
#include "platform/client_version.h"
#include "platform/guid.h"
#include "platform/win32/wide_text.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

constexpr wchar_t kFixtureName[] = L"win32_system_version_fixture.exe";

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::filesystem::path TestExecutable() { return std::filesystem::path(Wide(ExecutablePath())); }

std::filesystem::path Fixture() { return TestExecutable().parent_path() / kFixtureName; }

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The lines a program writes to its standard output, run to its end.
std::vector<std::string> OutputLinesOf(const std::wstring& program) {
  SECURITY_ATTRIBUTES inheritable{.nLength = sizeof(SECURITY_ATTRIBUTES),
                                  .lpSecurityDescriptor = nullptr,
                                  .bInheritHandle = TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return {};
  Handle reader(readEnd);
  Handle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring commandLine = L"\"" + program + L"\"";
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start " << Narrow(program) << ": " << GetLastError();
    return {};
  }
  Handle processHandle(process.hProcess);
  Handle threadHandle(process.hThread);
  // The child holds its own copy; the pipe ends when the child ends.
  writer.reset();
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  std::vector<std::string> lines;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

TEST(Win32SystemInfoTest, ExecutablePathNamesTheRunningTestExecutable) {
  const std::filesystem::path path = TestExecutable();
  EXPECT_TRUE(path.is_absolute()) << path;
  EXPECT_EQ(path.filename(), L"win32_system_tests.exe");
  EXPECT_TRUE(FileExists(path.wstring())) << path;
}

// The longest path a program can be started from: the path fills the system's traditional
// buffer but for its terminating NUL.
TEST(Win32SystemInfoTest, ExecutablePathOfAProgramAtTheLengthLimitIsWhole) {
  test::TempDir directory;
  const std::wstring base = directory.Path().wstring() + L"\\";
  const std::size_t directoryLength =
      MAX_PATH - 1 - base.size() - 1 - std::char_traits<wchar_t>::length(kFixtureName);
  const std::wstring deep = base + std::wstring(directoryLength, L'd');
  ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr)) << GetLastError();
  const std::wstring program = deep + L"\\" + kFixtureName;
  ASSERT_EQ(program.size(), MAX_PATH - 1u);
  ASSERT_TRUE(CopyFileW(Fixture().c_str(), program.c_str(), TRUE)) << GetLastError();

  const std::vector<std::string> lines = OutputLinesOf(program);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], Narrow(program));
}

TEST(Win32SystemInfoTest, TheClientVersionIsTheFileVersionOfTheExecutablesVersionResource) {
  EXPECT_EQ(ClientVersion(), "1.4.0.0");
  const auto own = ExecutableFileVersion(ExecutablePath());
  ASSERT_TRUE(own);
  EXPECT_EQ(FormatFileVersion(own->mostSignificant, own->leastSignificant), "1.4.0.0");

  // A program that carries another version reports that one as its own.
  const auto fixture = ExecutableFileVersion(Narrow(Fixture().wstring()));
  ASSERT_TRUE(fixture);
  EXPECT_EQ(fixture->mostSignificant, 0x00020003u);
  EXPECT_EQ(fixture->leastSignificant, 0x00040005u);
  const std::vector<std::string> lines = OutputLinesOf(Fixture().wstring());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "2.3.4.5");
}

TEST(Win32SystemInfoTest, FilesWithoutAVersionResourceHaveNoFileVersion) {
  test::TempDir directory;
  test::WriteFileBytes(directory / "notes.txt", "VS_VERSION_INFO");
  EXPECT_EQ(ExecutableFileVersion(Narrow((directory / "notes.txt").wstring())), std::nullopt);
  EXPECT_EQ(ExecutableFileVersion(Narrow((directory / "missing.exe").wstring())), std::nullopt);
  EXPECT_EQ(ExecutableFileVersion(""), std::nullopt);
}

TEST(Win32SystemInfoTest, ThisProgramRunsOnA64BitWindows) {
  EXPECT_TRUE(IsWindows64Machine(SystemRegistry()));
  EXPECT_TRUE(IsWindows64());
}

// What the system records of its version where Windows keeps it, read without the functions
// under test: Windows 10 and later as numbers, older ones as the text "6.1".
struct RecordedVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::string servicePack;
};

std::optional<std::wstring> RecordedText(const wchar_t* name) {
  wchar_t text[256]{};
  DWORD size = sizeof(text);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", name,
                   RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(text);
}

std::optional<std::uint32_t> RecordedNumber(const wchar_t* name) {
  DWORD number = 0;
  DWORD size = sizeof(number);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", name,
                   RRF_RT_REG_DWORD, nullptr, &number, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return number;
}

std::uint32_t NumberIn(const std::string& text, std::size_t& position) {
  std::uint32_t number = 0;
  const auto [end, error] =
      std::from_chars(text.data() + position, text.data() + text.size(), number);
  EXPECT_EQ(error, std::errc()) << text;
  position = static_cast<std::size_t>(end - text.data()) + 1;
  return number;
}

RecordedVersion ReadRecordedVersion() {
  RecordedVersion recorded;
  const std::string build = Narrow(RecordedText(L"CurrentBuildNumber").value_or(L""));
  std::size_t position = 0;
  recorded.build = NumberIn(build, position);
  recorded.servicePack = Narrow(RecordedText(L"CSDVersion").value_or(L""));
  const auto major = RecordedNumber(L"CurrentMajorVersionNumber");
  const auto minor = RecordedNumber(L"CurrentMinorVersionNumber");
  if (major && minor) {
    recorded.major = *major;
    recorded.minor = *minor;
  } else {
    const std::string text = Narrow(RecordedText(L"CurrentVersion").value_or(L""));
    position = 0;
    recorded.major = NumberIn(text, position);
    recorded.minor = NumberIn(text, position);
  }
  return recorded;
}

TEST(Win32SystemInfoTest, TheWindowsVersionIsTheOneTheSystemRecords) {
  const RecordedVersion recorded = ReadRecordedVersion();
  const auto version = MachineWindowsVersion(SystemRegistry());
  ASSERT_TRUE(version);
  EXPECT_EQ(version->major, recorded.major);
  EXPECT_EQ(version->minor, recorded.minor);
  EXPECT_EQ(version->build, recorded.build);
  EXPECT_EQ(version->platformId, 2u) << "Windows NT";
  EXPECT_EQ(version->servicePack, recorded.servicePack);

  const std::string expected = std::to_string(recorded.major) + '.' +
                               std::to_string(recorded.minor) + '.' +
                               std::to_string(recorded.build) + " 2" +
                               (recorded.servicePack.empty() ? "" : " " + recorded.servicePack);
  EXPECT_EQ(GetWindowsVersionString(), expected);
}

// Wine plays the Windows version its registry names for a program; the fixture program is told
// to be a later Windows than the prefix's.
class PlayedWindowsVersion {
 public:
  explicit PlayedWindowsVersion(const wchar_t* version) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), L"Version", REG_SZ, version,
                    static_cast<DWORD>((std::wcslen(version) + 1) * sizeof(wchar_t)));
  }
  ~PlayedWindowsVersion() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
  PlayedWindowsVersion(const PlayedWindowsVersion&) = delete;
  PlayedWindowsVersion& operator=(const PlayedWindowsVersion&) = delete;

 private:
  const std::wstring key_ = std::wstring(L"Software\\Wine\\AppDefaults\\") + kFixtureName;
};

// Since Windows 8.1, GetVersionEx tells a program without a manifest that it runs on 6.2.
TEST(Win32SystemInfoTest, LaterWindowsReportTheirOwnVersionAndNotTheCompatibilityOne) {
  struct Case {
    const wchar_t* played;
    const char* versionStart;
  };
  for (const Case& test_case : {Case{L"win81", "6.3."}, Case{L"win10", "10.0."}}) {
    PlayedWindowsVersion played(test_case.played);
    const std::vector<std::string> lines = OutputLinesOf(Fixture().wstring());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[2].starts_with(test_case.versionStart)) << lines[2];
    EXPECT_TRUE(lines[2].ends_with(" 2")) << lines[2];
  }
}

TEST(Win32SystemInfoTest, NewGuidsAreRandomVersionFourGuids) {
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i) {
    const GuidBytes guid = NewGuid();
    EXPECT_EQ(guid[6] >> 4, 4) << "version 4";
    EXPECT_EQ(guid[8] >> 6, 2) << "RFC 4122 variant";
    const std::string text = GuidText(guid);
    ASSERT_EQ(text.size(), 38u);
    EXPECT_EQ(text.front(), '{');
    EXPECT_EQ(text.back(), '}');
    EXPECT_TRUE(seen.insert(text).second) << text << " came twice";
  }
}

}  // namespace
}  // namespace lintrove::platform
