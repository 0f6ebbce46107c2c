#include "reg_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <thread>

#include "base/text.h"
#include "platform/posix/posix_registry.h"
#include "platform/registry.h"
#include "support/temp_dir.h"

namespace lintrove::cli {
namespace {

using ::testing::HasSubstr;

struct Outcome {
  int status;
  std::string out, err;
};

class RegCommandTest : public ::testing::Test {
 protected:
  Outcome Run(std::vector<std::string> args, std::string input = "", bool interactive = false) {
    platform::PosixRegistry backend(dir_ / "registry");
    std::ostringstream out, err;
    std::istringstream in(input);
    CommandContext context{backend, out, err, in, interactive};
    int status = RunRegCommand(args, context);
    return {status, out.str(), err.str()};
  }

  // A file as regedit writes it: UTF-16LE with BOM and CRLF line ends.
  static std::string RegeditFile(std::string_view text) {
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::vector<std::uint8_t> utf16 = Utf8ToUtf16Le(crlf);
    return "\xFF\xFE" + std::string(utf16.begin(), utf16.end());
  }

  test::TempDir dir_;
};

constexpr std::string_view kExport = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Example Tools]
"DisplayName"="Example Tools 2.1"
"DisplayVersion"="2.1.0"
"DisplayIcon"=hex(2):25,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,46,00,69,\
  00,6c,00,65,00,73,00,25,00,5c,00,45,00,78,00,61,00,6d,00,70,00,6c,00,65,00,\
  20,00,54,00,6f,00,6f,00,6c,00,73,00,5c,00,65,00,78,00,61,00,6d,00,70,00,6c,\
  00,65,00,2e,00,65,00,78,00,65,00,2c,00,30,00,00,00
"EstimatedSize"=dword:00001f40
"Modes"=hex(7):45,00,69,00,6e,00,73,00,00,00,5a,00,77,00,65,00,69,00,00,00,00,\
  00
"Publisher"="Beispiel GmbH \"Nord\" – Köln"
"InstallLocation"="C:\\Program Files\\Example Tools\\"
"Checksum"=hex:01,02,ff

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Example Tools\Sub]
@="default"

)";

TEST_F(RegCommandTest, ARegeditExportImportsAndExportsBackUnchanged) {
  test::WriteFileBytes(dir_ / "in.reg", RegeditFile(kExport));
  Outcome imported = Run({"import", (dir_ / "in.reg").string()});
  ASSERT_EQ(imported.status, 0) << imported.err;

  Outcome query = Run({"query",
                       "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                       "Example Tools",
                       "/v", "DisplayIcon"});
  EXPECT_THAT(
      query.out,
      HasSubstr("DisplayIcon    REG_EXPAND_SZ    %ProgramFiles%\\Example Tools\\example.exe,0"));

  Outcome exported =
      Run({"export", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example Tools",
           (dir_ / "out.reg").string()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(test::ReadFileBytes(dir_ / "out.reg"), RegeditFile(kExport));
}

TEST_F(RegCommandTest, AddedValuesQueryAsRegDoes) {
  struct Case {
    std::vector<std::string> add;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {{"/v", "s", "/d", "Grüße"}, "s    REG_SZ    Grüße"},
      {{"/ve", "/d", "standard"}, "(Default)    REG_SZ    standard"},
      {{"/v", "e", "/t", "REG_EXPAND_SZ", "/d", "%TEMP%\\x"}, "e    REG_EXPAND_SZ    %TEMP%\\x"},
      {{"/v", "m", "/t", "reg_multi_sz", "/d", "a\\0b"}, "m    REG_MULTI_SZ    a\\0b"},
      {{"/v", "m2", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "x#y#z"},
       "m2    REG_MULTI_SZ    x\\0y\\0z"},
      {{"/v", "d", "/t", "REG_DWORD", "/d", "4294967295"}, "d    REG_DWORD    0xffffffff"},
      {{"/v", "h", "/t", "REG_DWORD", "/d", "0x1F"}, "h    REG_DWORD    0x1f"},
      {{"/v", "be", "/t", "REG_DWORD_BIG_ENDIAN", "/d", "258"},
       "be    REG_DWORD_BIG_ENDIAN    0x102"},
      {{"/v", "q", "/t", "REG_QWORD", "/d", "0x100000000"}, "q    REG_QWORD    0x100000000"},
      {{"/v", "b", "/t", "REG_BINARY", "/d", "00ff10"}, "b    REG_BINARY    00FF10"},
      {{"/v", "n", "/t", "REG_NONE", "/d", ""}, "n    REG_NONE    "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    std::vector<std::string> args = {"add", "HKCU\\Software\\Types"};
    args.insert(args.end(), c.add.begin(), c.add.end());
    Outcome added = Run(args);
    ASSERT_EQ(added.status, 0) << added.err;
  }
  Outcome query = Run({"query", "HKEY_CURRENT_USER\\Software\\Types"});
  ASSERT_EQ(query.status, 0) << query.err;
  for (const Case& c : cases) EXPECT_THAT(query.out, HasSubstr("    " + c.shown + "\n"));
}

TEST_F(RegCommandTest, ChangingWhatExistsNeedsConsent) {
  ASSERT_EQ(Run({"add", "HKCU\\Software\\A\\B", "/v", "x", "/d", "1"}).status, 0);
  Outcome overwrite = Run({"add", "HKCU\\Software\\A\\B", "/v", "x", "/d", "2"});
  EXPECT_EQ(overwrite.status, 1);
  EXPECT_THAT(overwrite.err, HasSubstr("/f"));
  EXPECT_EQ(Run({"add", "HKCU\\Software\\A\\B", "/v", "x", "/d", "2", "/f"}).status, 0);
  EXPECT_THAT(Run({"query", "HKCU\\Software\\A\\B", "/v", "x"}).out, HasSubstr("REG_SZ    2"));

  Outcome refused = Run({"delete", "HKCU\\Software\\A", "/va"});
  EXPECT_EQ(refused.status, 1);
  Outcome answeredNo = Run({"delete", "HKCU\\Software\\A\\B", "/v", "x"}, "n\n", true);
  EXPECT_EQ(answeredNo.status, 1);
  EXPECT_EQ(Run({"query", "HKCU\\Software\\A\\B", "/v", "x"}).status, 0);
  Outcome answeredYes = Run({"delete", "HKCU\\Software\\A\\B", "/va"}, "yes\n", true);
  ASSERT_EQ(answeredYes.status, 0) << answeredYes.err;
  EXPECT_EQ(Run({"query", "HKCU\\Software\\A\\B", "/v", "x"}).status, 1);

  Outcome forced = Run({"delete", "HKCU\\Software\\A", "/f"});
  ASSERT_EQ(forced.status, 0) << forced.err;
  Outcome gone = Run({"query", "HKCU\\Software\\A\\B"});
  EXPECT_EQ(gone.status, 1);
  EXPECT_THAT(gone.err, HasSubstr("unable to find"));
}

TEST_F(RegCommandTest, AFaultyFileIsRefusedWholeAndNamesItsLine) {
  ASSERT_EQ(Run({"add", "HKCU\\Software\\Kept", "/v", "x", "/d", "1"}).status, 0);
  std::string storeBefore = test::ReadFileBytes(dir_ / "registry" / "HKEY_CURRENT_USER.reg");
  test::WriteFileBytes(dir_ / "bad.reg", RegeditFile("Windows Registry Editor Version 5.00\n\n"
                                                     "[HKEY_CURRENT_USER\\Software\\New]\n"
                                                     "\"a\"=\"fine\"\n"
                                                     "\"b\"=\"unterminated\n"));
  Outcome outcome = Run({"import", (dir_ / "bad.reg").string()});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_THAT(outcome.err, HasSubstr("bad.reg"));
  EXPECT_THAT(outcome.err, HasSubstr("Zeile 5"));
  EXPECT_EQ(test::ReadFileBytes(dir_ / "registry" / "HKEY_CURRENT_USER.reg"), storeBefore);
}

TEST_F(RegCommandTest, BadArgumentsFailWithAMessage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"query"},
      {"query", "HKEY_USERS\\x"},
      {"query", "HKCU\\a\\\\b"},
      {"query", "HKCU", "/q"},
      {"query", "HKCU", "/v"},
      {"query", "HKCU", "/reg:32", "/reg:64"},
      {"add", "HKCU\\x", "/v", "a", "/t", "REG_DWORD", "/d", "4294967296"},
      {"add", "HKCU\\x", "/v", "a", "/t", "REG_BINARY", "/d", "abc"},
      {"add", "HKCU\\x", "/v", "a", "/t", "REG_FOO"},
      {"add", "HKCU\\x", "/d", "no name"},
      {"delete", "HKCU", "/f"},
      {"import", "/nonexistent/file.reg"},
      {"export", "HKCU\\Software\\Missing", "/tmp/never-written.reg"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_FALSE(outcome.err.empty());
  }
  EXPECT_FALSE(std::filesystem::exists("/tmp/never-written.reg"));
}

TEST_F(RegCommandTest, AnImportWithoutEndOrTooLargeStopsWithAnError) {
  // A sparse file: its size is refused before anything is read.
  const std::filesystem::path large = dir_ / "large.reg";
  test::WriteFileBytes(large, "Windows Registry Editor Version 5.00\r\n");
  std::filesystem::resize_file(large, (std::uintmax_t{512} << 20) + 1);
  for (const std::string& file : {large.string(), std::string("/dev/zero")}) {
    SCOPED_TRACE(file);
    Outcome outcome = Run({"import", file});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.err, HasSubstr("'" + file + "'"));
    EXPECT_THAT(outcome.err, HasSubstr("512 MByte"));
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "registry" / "HKEY_CURRENT_USER.reg"));
}

// A pipe tells its size only at its end; what comes through it is imported whole.
TEST_F(RegCommandTest, AnImportFromAPipeReadsItToItsEnd) {
  const std::filesystem::path pipe = dir_ / "export.pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // Larger than any buffer on the way, so that the file is read in many pieces.
  std::string text(kExport);
  for (int i = 0; i < 5000; ++i)
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Filler\\" + std::to_string(i) + "]\n";
  text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Last]\n\"Seen\"=\"yes\"\n";
  std::thread writer([&] { test::WriteFileBytes(pipe, RegeditFile(text)); });
  Outcome imported = Run({"import", pipe.string()});
  writer.join();
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_THAT(Run({"query", "HKLM\\SOFTWARE\\Last", "/v", "Seen"}).out, HasSubstr("REG_SZ    yes"));
  EXPECT_THAT(
      Run({"query", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example Tools",
           "/v", "DisplayName"})
          .out,
      HasSubstr("Example Tools 2.1"));
}

TEST_F(RegCommandTest, NamesTheRegistryCannotKeepAreRefused) {
  ASSERT_EQ(Run({"add", "HKCU\\Software\\Kept", "/v", "x", "/d", "1"}).status, 0);
  const std::string before = test::ReadFileBytes(dir_ / "registry" / "HKEY_CURRENT_USER.reg");
  const std::vector<std::vector<std::string>> cases = {
      {"add", "HKCU\\Software\\Kept", "/v", "caf\xE9", "/d", "1"},
      {"add", "HKCU\\Software\\caf\xE9"},
      {"add", "HKCU\\Software\\" + std::string(256, 'n')},
      {"add", "HKCU\\Software\\Kept", "/v", std::string(16384, 'v'), "/d", "1"},
  };
  for (const auto& args : cases) {
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 1) << args[1];
    EXPECT_THAT(outcome.err, ::testing::AnyOf(HasSubstr("UTF-8"), HasSubstr("länger als")));
    EXPECT_THAT(outcome.out, ::testing::Not(HasSubstr("successfully")));
  }
  EXPECT_EQ(test::ReadFileBytes(dir_ / "registry" / "HKEY_CURRENT_USER.reg"), before);
}

TEST_F(RegCommandTest, TextArgumentsThatAreNotUtf8AreRefused) {
  const struct {
    std::vector<std::string> args;
    bool refused;
  } cases[] = {
      {{"add", "HKCU\\Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC", "/v", "\xC3\xA9", "/d", "\xF0\x9F\x98\x80",
        "/f"},
       false},
      {{"add", "HKCU\\caf\xE9"}, true},
      {{"query", "HKCU", "/v", "\xC3"}, true},                  // cut short
      {{"add", "HKCU\\x", "/v", "x", "/d", "\xC0\xAF"}, true},  // an overlong "/"
      {{"add", "HKCU\\x", "/v", "x", "/t", "REG_MULTI_SZ", "/s", "\xED\xA0\x80", "/d", "a"},
       true},  // a surrogate
      {{"export", "HKCU\\caf\xE9", (dir_ / "out.reg").string()}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.status, c.refused ? 1 : 0) << outcome.err;
    EXPECT_EQ(outcome.err.find("UTF-8") != std::string::npos, c.refused) << outcome.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.reg"));
}

// Linux file names are bytes: one in Latin-1 is a name like any other.
TEST_F(RegCommandTest, FilesWhoseNamesAreNotUtf8AreExportedAndImported) {
  ASSERT_EQ(Run({"add", "HKCU\\Software\\Caf\xC3\xA9", "/v", "n", "/d", "1", "/f"}).status, 0);
  const std::filesystem::path latin1Dir = dir_ / "Verzeichnis \xE4";
  std::filesystem::create_directory(latin1Dir);
  const std::string file = (latin1Dir / "caf\xE9.reg").string();
  Outcome exported = Run({"export", "HKCU\\Software", file});
  ASSERT_EQ(exported.status, 0) << exported.err;
  ASSERT_TRUE(std::filesystem::exists(file));
  ASSERT_EQ(Run({"delete", "HKCU\\Software", "/f"}).status, 0);

  Outcome imported = Run({"import", file});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_THAT(Run({"query", "HKCU\\Software\\Caf\xC3\xA9", "/v", "n"}).out,
              HasSubstr("REG_SZ    1"));
  // A file that is missing is named as it was given.
  Outcome missing = Run({"import", (latin1Dir / "fehlt\xE9.reg").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.err, HasSubstr("fehlt\xE9.reg"));
}

// Ignore marks are values named after a program's identity, which holds a DisplayName from
// outside: no name Windows accepts may break the store.
TEST_F(RegCommandTest, NamesWithEveryControlCharacterSurviveAddReloadExportAndImport) {
  std::string controls;
  for (char c = 1; c < 0x20; ++c) controls += c;
  const std::string key = "Software\\Names\\k" + controls + "\x7f]=[";
  const std::string value = "v" + controls + "\"\\=[];@";
  const std::string display = "Tool 1.0\r\nfor testing";
  ASSERT_EQ(Run({"add", "HKCU\\" + key, "/v", value, "/d", display, "/f"}).status, 0);
  ASSERT_EQ(Run({"add", "HKCU\\" + key, "/v", display, "/t", "REG_DWORD", "/d", "1", "/f"}).status,
            0);
  const std::string exported = (dir_ / "names.reg").string();
  // Every command reads the store anew: each step below starts from the file written before.
  const Outcome exporting = Run({"export", "HKCU\\Software\\Names", exported, "/y"});
  ASSERT_EQ(exporting.status, 0) << exporting.err;
  ASSERT_EQ(Run({"delete", "HKCU\\Software\\Names", "/f"}).status, 0);
  const Outcome importing = Run({"import", exported});
  ASSERT_EQ(importing.status, 0) << importing.err;

  platform::PosixRegistry backend(dir_ / "registry");
  platform::Registry registry(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                              backend);
  ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + key));
  EXPECT_EQ(registry.ReadString(value), display);
  EXPECT_EQ(registry.ReadInteger(display), 1);
  EXPECT_EQ(registry.GetValueNames().size(), 2u);
}

TEST_F(RegCommandTest, RecursiveQueryListsKeysInRegistryOrder) {
  for (const char* key :
       {"HKLM\\SOFTWARE\\Q\\b", "HKLM\\SOFTWARE\\Q\\A\\deep", "HKLM\\SOFTWARE\\Q\\C"}) {
    ASSERT_EQ(Run({"add", key, "/v", "v", "/d", key}).status, 0);
  }
  Outcome flat = Run({"query", "HKLM\\SOFTWARE\\Q"});
  EXPECT_EQ(flat.out,
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Q\n\n"
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\A\n"
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\b\n"
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\C\n");
  Outcome deep = Run({"query", "HKLM\\SOFTWARE\\Q", "/s"});
  EXPECT_THAT(deep.out, HasSubstr("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\A\\deep\n"
                                  "    v    REG_SZ    HKLM\\SOFTWARE\\Q\\A\\deep\n"
                                  "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\b\n"));
}

}  // namespace
}  // namespace lintrove::cli
