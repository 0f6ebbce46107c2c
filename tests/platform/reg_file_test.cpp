#include "platform/regfile/reg_file.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/text.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A file as regedit writes it: UTF-16LE with a byte order mark and CRLF line ends.
Bytes RegeditFile(std::string_view text) {
  std::string crlf;
  for (const char c : text) {
    if (c == '\n') crlf.push_back('\r');
    crlf.push_back(c);
  }
  Bytes bytes = {0xFF, 0xFE};
  AppendUtf8ToUtf16Le(crlf, bytes);
  return bytes;
}

Bytes Utf8File(std::string_view text) { return {text.begin(), text.end()}; }

Bytes V5File(std::string_view body) {
  return Utf8File("Windows Registry Editor Version 5.00\n\n" + std::string(body));
}

Bytes Sz(std::string_view text) {
  Bytes data = Utf8ToUtf16Le(text);
  data.insert(data.end(), {0, 0});
  return data;
}

RegKey Load(const Bytes& file, RootKey root = RootKey::LocalMachine) {
  RegKey tree{std::string(RootKeyName(root))};
  RegTreeBuilder builder(root, tree, "test.reg");
  ParseRegFile(file, "test.reg", builder);
  return tree;
}

const RegKey* Find(const RegKey& root, std::string_view path) {
  const RegKey* key = &root;
  while (key && !path.empty()) {
    const std::size_t separator = path.find('\\');
    key = key->FindSubkey(path.substr(0, separator));
    path = separator == std::string_view::npos ? "" : path.substr(separator + 1);
  }
  return key;
}

std::vector<std::string> SubkeyNames(const RegKey& key) {
  std::vector<std::string> names;
  for (const auto& subkey : key.Subkeys()) names.push_back(subkey->Name());
  return names;
}

void ExpectSameTree(const RegKey& expected, const RegKey& actual) {
  EXPECT_EQ(expected.Name(), actual.Name());
  ASSERT_EQ(expected.Values().size(), actual.Values().size()) << "in " << expected.Name();
  for (std::size_t i = 0; i < expected.Values().size(); ++i) {
    const RegValue& a = expected.Values()[i];
    const RegValue& b = actual.Values()[i];
    EXPECT_EQ(a.name, b.name) << "in " << expected.Name();
    EXPECT_EQ(a.type, b.type) << "value " << a.name;
    EXPECT_EQ(a.data, b.data) << "value " << a.name;
  }
  ASSERT_EQ(SubkeyNames(expected), SubkeyNames(actual)) << "in " << expected.Name();
  for (std::size_t i = 0; i < expected.Subkeys().size(); ++i) {
    ExpectSameTree(*expected.Subkeys()[i], *actual.Subkeys()[i]);
  }
}

// Written the way regedit exports a key: values in their order, hex data wrapped after the
// comma that reaches column 77, continuation lines indented by two blanks, subkeys in upper-case
// order ("_" after the letters), a blank line after every key.
constexpr std::string_view kExportedKey =
    R"reg(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Contoso\Uninstall\{6F1B2E3A-1C2D-4E5F-8A9B-0C1D2E3F4A5B}]
@="Contoso Rechner"
"DisplayName"="Contoso Rechner 2.4 (x64)"
"InstallLocation"="C:\\Program Files\\Contoso\\Rechner\\"
"Kommentar"="Größe in \"KB\""
"EstimatedSize"=dword:00003a2c
"UninstallString"=hex(2):4d,00,73,00,69,00,45,00,78,00,65,00,63,00,2e,00,65,00,\
  78,00,65,00,20,00,2f,00,58,00,7b,00,36,00,46,00,31,00,42,00,32,00,45,00,33,\
  00,41,00,2d,00,31,00,43,00,32,00,44,00,2d,00,34,00,45,00,35,00,46,00,2d,00,\
  38,00,41,00,39,00,42,00,2d,00,30,00,43,00,31,00,44,00,32,00,45,00,33,00,46,\
  00,34,00,41,00,35,00,42,00,7d,00,00,00
"Path"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,\
  00,25,00,5c,00,73,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,3b,00,25,00,\
  53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,5c,00,53,\
  00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,57,00,62,00,65,00,6d,00,\
  00,00
"Languages"=hex(7):64,00,65,00,2d,00,44,00,45,00,00,00,65,00,6e,00,2d,00,55,00,\
  53,00,00,00,00,00
"InstallTime"=hex(b):00,80,3e,d5,de,b1,9d,01
"Signatur"=hex:30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f,40,41,42,43,44,\
  45,46,47,48,49,4a,4b,4c,4d,4e,4f,50,51,52,53,54,55,56,57
"Leer"=hex:

[HKEY_LOCAL_MACHINE\SOFTWARE\Contoso\Uninstall\{6F1B2E3A-1C2D-4E5F-8A9B-0C1D2E3F4A5B}\Features]

[HKEY_LOCAL_MACHINE\SOFTWARE\Contoso\Uninstall\{6F1B2E3A-1C2D-4E5F-8A9B-0C1D2E3F4A5B}\Features\Main]
"Enabled"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\Contoso\Uninstall\{6F1B2E3A-1C2D-4E5F-8A9B-0C1D2E3F4A5B}\patches]

[HKEY_LOCAL_MACHINE\SOFTWARE\Contoso\Uninstall\{6F1B2E3A-1C2D-4E5F-8A9B-0C1D2E3F4A5B}\_Legacy]
"Version"="1.0"

)reg";

constexpr std::string_view kExportedKeyPath =
    "SOFTWARE\\Contoso\\Uninstall\\{6F1B2E3A-1C2D-4E5F-8A9B-0C1D2E3F4A5B}";

TEST(RegFileTest, RegeditExportReadsIntoTheValuesWindowsStores) {
  test::TempDir dir;
  const Bytes exported = RegeditFile(kExportedKey);
  test::WriteFileBytes(dir / "export.reg",
                       {reinterpret_cast<const char*>(exported.data()), exported.size()});
  const std::string file = test::ReadFileBytes(dir / "export.reg");
  const RegKey tree = Load(Bytes(file.begin(), file.end()));

  const RegKey* key = Find(tree, kExportedKeyPath);
  ASSERT_NE(key, nullptr);
  const auto value = [key](std::string_view name) {
    const RegValue* found = key->FindValue(name);
    return found ? *found : RegValue{"<missing>", 0xFFFFFFFF, {}};
  };
  EXPECT_EQ(value("").type, RegType::Sz);
  EXPECT_EQ(value("").data, Sz("Contoso Rechner"));
  EXPECT_EQ(value("InstallLocation").data, Sz("C:\\Program Files\\Contoso\\Rechner\\"));
  EXPECT_EQ(value("kommentar").data, Sz("Größe in \"KB\""));
  EXPECT_EQ(value("EstimatedSize").type, RegType::Dword);
  EXPECT_EQ(value("EstimatedSize").data, (Bytes{0x2c, 0x3a, 0, 0}));
  EXPECT_EQ(value("UninstallString").type, RegType::ExpandSz);
  EXPECT_EQ(value("UninstallString").data,
            Sz("MsiExec.exe /X{6F1B2E3A-1C2D-4E5F-8A9B-0C1D2E3F4A5B}"));
  EXPECT_EQ(value("Path").data, Sz("%SystemRoot%\\system32;%SystemRoot%\\System32\\Wbem"));
  EXPECT_EQ(value("Languages").type, RegType::MultiSz);
  EXPECT_EQ(value("Languages").data, Utf8ToUtf16Le(std::string("de-DE\0en-US\0\0", 13)));
  EXPECT_EQ(value("InstallTime").type, RegType::Qword);
  EXPECT_EQ(value("InstallTime").data, (Bytes{0x00, 0x80, 0x3e, 0xd5, 0xde, 0xb1, 0x9d, 0x01}));
  EXPECT_EQ(value("Signatur").type, RegType::Binary);
  EXPECT_EQ(value("Signatur").data.size(), 40u);
  EXPECT_EQ(value("Signatur").data.back(), 0x57);
  EXPECT_EQ(value("Leer").type, RegType::Binary);
  EXPECT_TRUE(value("Leer").data.empty());
  EXPECT_EQ(key->Values().front().name, "");
  EXPECT_EQ(key->Values().back().name, "Leer");

  EXPECT_EQ(SubkeyNames(*key), (std::vector<std::string>{"Features", "patches", "_Legacy"}));
  ASSERT_NE(Find(*key, "FEATURES\\main"), nullptr);
  EXPECT_EQ(Find(*key, "FEATURES\\main")->Name(), "Main");
}

TEST(RegFileTest, RegeditExportFormatsBackByteForByte) {
  const Bytes exported = RegeditFile(kExportedKey);
  const RegKey tree = Load(exported);
  const RegKey* key = Find(tree, kExportedKeyPath);
  ASSERT_NE(key, nullptr);
  const Bytes formatted =
      FormatRegFile(*key, "HKEY_LOCAL_MACHINE\\" + std::string(kExportedKeyPath));
  EXPECT_EQ(Utf16LeToUtf8(formatted), Utf16LeToUtf8(exported));  // readable on failure
  EXPECT_EQ(formatted, exported);
}

TEST(RegFileTest, EveryKindOfValueSurvivesFormatAndParse) {
  RegKey root("HKEY_CURRENT_USER");
  root.SetValue("AtRoot", RegType::Sz, Sz("root values give the root a header"));
  RegKey& key = root.AddSubkey("Software").AddSubkey("Tests \u00e4\u00f6\u00fc");
  const std::vector<std::pair<std::string, RegValue>> values = {
      {"plain string", {"Text", RegType::Sz, Sz("a \\ b \" c \u20ac \U0001F600")}},
      {"empty string", {"EmptyText", RegType::Sz, Sz("")}},
      {"string without NUL", {"NoNul", RegType::Sz, Utf8ToUtf16Le("abc")}},
      {"string with two NULs", {"TwoNuls", RegType::Sz, Sz(std::string("abc\0", 4))}},
      {"string with inner NUL", {"InnerNul", RegType::Sz, Sz(std::string("a\0b", 3))}},
      {"string with line break", {"Lines", RegType::Sz, Sz("one\r\ntwo\nthree")}},
      {"string of odd length", {"Odd", RegType::Sz, {'a', 0, 0}}},
      {"string with lone surrogate", {"Lone", RegType::Sz, {0x00, 0xD8, 'a', 0, 0, 0}}},
      {"empty data as string", {"NoData", RegType::Sz, {}}},
      {"expandable", {"Expand", RegType::ExpandSz, Sz("%TEMP%\\x")}},
      {"multi", {"Multi", RegType::MultiSz, Utf8ToUtf16Le(std::string("a\0b\0\0", 5))}},
      {"dword", {"Dword", RegType::Dword, {0x78, 0x56, 0x34, 0x12}}},
      {"short dword", {"ShortDword", RegType::Dword, {1, 2}}},
      {"long dword", {"LongDword", RegType::Dword, {1, 2, 3, 4, 5}}},
      {"empty dword", {"EmptyDword", RegType::Dword, {}}},
      {"big-endian dword", {"BigEndian", RegType::DwordBigEndian, {0, 0, 0, 1}}},
      {"qword", {"Qword", RegType::Qword, {1, 2, 3, 4, 5, 6, 7, 8}}},
      {"none", {"None", RegType::None, {0xDE, 0xAD}}},
      {"empty none", {"EmptyNone", RegType::None, {}}},
      {"link", {"Link", RegType::Link, Utf8ToUtf16Le("\\Registry\\Machine")}},
      {"unknown type", {"Weird", 0xFFFF0010, {7}}},
      {"long binary", {"LongBinary", RegType::Binary, Bytes(700, 0xAB)}},
      {"name with quote and backslash", {"a\"b\\c", RegType::Dword, {1, 0, 0, 0}}},
      {"non-ASCII name", {"Gr\u00f6\u00dfe \u65e5\u672c", RegType::Sz, Sz("\u00e9")}},
      {"name reaching column 77 alone",
       {std::string(80, 'n'), RegType::Binary, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}},
      {"default value", {"", RegType::ExpandSz, Sz("%PATH%")}},
  };
  for (const auto& [label, value] : values) key.SetValue(value.name, value.type, value.data);
  key.AddSubkey("_under");
  key.AddSubkey("Empty").AddSubkey("Deeper").SetValue("x", RegType::Dword, Bytes{0, 0, 0, 0});

  const Bytes file = FormatRegFile(root, "HKEY_CURRENT_USER");
  const RegKey reread = Load(file, RootKey::CurrentUser);
  ExpectSameTree(root, reread);
  const RegKey* rereadKey = Find(reread, "Software\\Tests \u00e4\u00f6\u00fc");
  ASSERT_NE(rereadKey, nullptr);
  for (const auto& [label, value] : values) {
    const RegValue* found = rereadKey->FindValue(value.name);
    ASSERT_NE(found, nullptr) << label;
    EXPECT_EQ(found->type, value.type) << label;
    EXPECT_EQ(found->data, value.data) << label;
  }
  // And formatting what was read gives the same file again.
  EXPECT_EQ(FormatRegFile(reread, "HKEY_CURRENT_USER"), file);
}

TEST(RegFileTest, FormatWritesEachTypeAsRegeditDoes) {
  RegKey key("K");
  key.SetValue("s", RegType::Sz, Sz("C:\\\"x\""));
  key.SetValue("lines", RegType::Sz, Sz("a\nb"));
  key.SetValue("d", RegType::Dword, Bytes{0xEF, 0xBE, 0xAD, 0xDE});
  key.SetValue("d3", RegType::Dword, Bytes{1, 2, 3});
  key.SetValue("q", RegType::Qword, Bytes{1});
  key.SetValue("w", 0xFFFF0010, Bytes{});
  key.SetValue("b", RegType::Binary, Bytes{0x0A});
  RegKey root("HKEY_LOCAL_MACHINE");
  EXPECT_EQ(Utf16LeToUtf8(FormatRegFile(key, "HKEY_LOCAL_MACHINE\\K")),
            "\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\K]\r\n"
            "\"s\"=\"C:\\\\\\\"x\\\"\"\r\n"
            "\"lines\"=hex(1):61,00,0a,00,62,00,00,00\r\n"
            "\"d\"=dword:deadbeef\r\n"
            "\"d3\"=hex(4):01,02,03\r\n"
            "\"q\"=hex(b):01\r\n"
            "\"w\"=hex(ffff0010):\r\n"
            "\"b\"=hex:0a\r\n"
            "\r\n");
  // A root without values gets no header, an empty key below it does.
  root.AddSubkey("Empty");
  EXPECT_EQ(Utf16LeToUtf8(FormatRegFile(root, "HKEY_LOCAL_MACHINE")),
            "\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Empty]\r\n\r\n");
}

// Every character Windows takes in a name, the ones that would end a line among them, comes
// back from the file exactly; key names cannot hold a backslash.
TEST(RegFileTest, NamesWithAnyCharacterSurviveFormatAndParse) {
  std::string controls;
  for (char c = 1; c < 0x20; ++c) controls.push_back(c);
  controls += "\x7F\"]=[;";
  const std::string keyName = "k" + controls + "\u00e4<0a>";
  const std::string valueName = "v" + controls + "\\<0a>\\\\<0d>";
  const std::string displayName = "Contoso Rechner\r\nVersion 2.4";

  RegKey root("HKEY_LOCAL_MACHINE");
  RegKey& key = root.AddSubkey("Software").AddSubkey(keyName);
  key.SetValue(valueName, RegType::Dword, Bytes{1, 0, 0, 0});
  key.SetValue(displayName, RegType::Sz, Sz("x"));
  key.SetValue("Text", RegType::Sz, Sz(std::string("a\r\nb\rc\nd\0e", 11)));
  key.AddSubkey("\n").AddSubkey("\r\nend\n").SetValue("\n", RegType::Sz, Sz("\n"));
  root.AddSubkey(std::string("\0lead", 5));

  const Bytes file = FormatRegFile(root, "HKEY_LOCAL_MACHINE");
  const std::string text = Utf16LeToUtf8(file);
  // Every CR and LF in the file is a line end.
  const auto count = [&text](std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_EQ(count("\r"), count("\r\n"));
  EXPECT_EQ(count("\n"), count("\r\n"));
  EXPECT_NE(text.find("\"Contoso Rechner\\<0d>\\<0a>Version 2.4\"="), std::string::npos);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\k\x01"), std::string::npos);
  EXPECT_NE(text.find("\t\\\\<0a>\v\f\\\\<0d>\x0e"), std::string::npos);

  const RegKey reread = Load(file);
  ExpectSameTree(root, reread);
  EXPECT_EQ(FormatRegFile(reread, "HKEY_LOCAL_MACHINE"), file);
}

// The escapes are read only where regedit never writes them: its own files mean what they said.
TEST(RegFileTest, NameEscapesLeaveWhatRegeditWritesAlone) {
  const RegKey tree =
      Load(V5File("[HKEY_LOCAL_MACHINE\\<0a>\\a<0d>b]\n"
                  "\"\\\\<0a>\"=dword:1\n"
                  "\"<0a>\"=dword:2\n"
                  "[HKEY_LOCAL_MACHINE\\x\\\\y\\\\<7f>]\n"
                  "[HKEY_LOCAL_MACHINE\\p\\\\<0a>q\\\\<0D>]\n"
                  "\"\\<0A>\\<00>\"=dword:3\n"));
  const RegKey* key = Find(tree, "<0a>\\a<0d>b");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->Values().size(), 2u);
  EXPECT_EQ(key->Values()[0].name, "\\<0a>");
  EXPECT_EQ(key->Values()[1].name, "<0a>");
  // A doubled backslash that is no escape separates keys as before.
  EXPECT_NE(Find(tree, "x\\y\\<7f>"), nullptr);
  const RegKey* escaped = Find(tree, "p\nq\r");
  ASSERT_NE(escaped, nullptr);
  ASSERT_EQ(escaped->Values().size(), 1u);
  EXPECT_EQ(escaped->Values()[0].name, std::string("\n\0", 2));
}

struct ValueCase {
  std::string label;
  std::string line;  // may span several lines
  std::uint32_t type;
  Bytes data;
};

TEST(RegFileTest, ReadsEveryValueNotation) {
  const std::vector<ValueCase> cases = {
      {"string", R"("v"="x")", RegType::Sz, Sz("x")},
      {"escapes", R"("v"="a\\b\"c")", RegType::Sz, Sz("a\\b\"c")},
      {"comment after a string", "\"v\"=\"a;b\" ;c", RegType::Sz, Sz("a;b")},
      {"comment right after a string", "\"v\"=\"x\";c", RegType::Sz, Sz("x")},
      {"comment after a dword", "\"v\"=dword:00000001 ;c", RegType::Dword, {1, 0, 0, 0}},
      {"blanks after dword:", "\"v\"=dword: \t00000002", RegType::Dword, {2, 0, 0, 0}},
      {"comment after hex", "\"v\"=hex:11,22 ;c", RegType::Binary, {0x11, 0x22}},
      {"blanks around =", "\"v\" =  \"x\"  ", RegType::Sz, Sz("x")},
      {"dword short", "\"v\"=dword:1", RegType::Dword, {1, 0, 0, 0}},
      {"dword upper case", "\"v\"=DWORD:ABCDEF01", RegType::Dword, {0x01, 0xEF, 0xCD, 0xAB}},
      {"binary", "\"v\"=hex:00,ff,7F", RegType::Binary, {0x00, 0xFF, 0x7F}},
      {"blanks and trailing comma", "\"v\"=hex: 01 , 02 ,\t03,", RegType::Binary, {1, 2, 3}},
      {"empty binary", "\"v\"=hex:", RegType::Binary, {}},
      {"continued", "\"v\"=hex:01,02,\\\n    03,\\\n  04", RegType::Binary, {1, 2, 3, 4}},
      {"continued after blank", "\"v\"=hex:01,02,\\  \n03", RegType::Binary, {1, 2, 3}},
      {"continued at the start", "\"v\"=hex:\\\n  01", RegType::Binary, {1}},
      {"comment after the backslash", "\"v\"=hex:01,\\ ;c\n  02", RegType::Binary, {1, 2}},
      {"comment and blank lines inside",
       "\"v\"=hex:01,\\\n;c\n\n \t\n  ; c\n  02",
       RegType::Binary,
       {1, 2}},
      {"continued into the end of the file", "\"v\"=hex:01,\\\n  02,\\", RegType::Binary, {1, 2}},
      {"comment ends a list without backslash",
       "\"v\"=hex:01,\\;c\n  02, ;c",
       RegType::Binary,
       {1, 2}},
      {"none", "\"v\"=hex(0):01", RegType::None, {1}},
      {"sz as hex", "\"v\"=hex(1):41,00,00,00", RegType::Sz, {0x41, 0, 0, 0}},
      {"sz as hex without NUL", "\"v\"=hex(1):41,00", RegType::Sz, {0x41, 0, 0, 0}},
      {"empty sz as hex", "\"v\"=hex(1):", RegType::Sz, {0, 0}},
      {"expandable without NUL", "\"v\"=hex(2):25,00,41,00,25,00,", RegType::ExpandSz, Sz("%A%")},
      {"multi with one NUL", "\"v\"=hex(7):41,00,00,00", RegType::MultiSz, {0x41, 0, 0, 0}},
      {"multi without NUL", "\"v\"=hex(7):41,00", RegType::MultiSz, {0x41, 0, 0, 0}},
      {"sz of odd length", "\"v\"=hex(1):41,00,01", RegType::Sz, {0x41, 0, 1, 0, 0}},
      {"sz kept exact", "\"v\"=hex(1,exact):41,00", RegType::Sz, {0x41, 0}},
      {"empty multi kept exact", "\"v\"=hex(7,exact):", RegType::MultiSz, {}},
      {"empty expandable stays empty", "\"v\"=hex(2):", RegType::ExpandSz, {}},
      {"empty multi stays empty", "\"v\"=hex(7): ;c", RegType::MultiSz, {}},
      {"binary gets no NUL", "\"v\"=hex(3):41", RegType::Binary, {0x41}},
      {"big-endian dword", "\"v\"=hex(5):00,00,00,01", RegType::DwordBigEndian, {0, 0, 0, 1}},
      {"dword of any length", "\"v\"=hex(4):01,02", RegType::Dword, {1, 2}},
      {"qword", "\"v\"=hex(b):01,02,03,04,05,06,07,08", RegType::Qword, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"qword upper case", "\"v\"=hex(B):09", RegType::Qword, {9}},
      {"weird type", "\"v\"=hex(ffff0010):aa", 0xFFFF0010, {0xAA}},
      {"name escapes", R"("v\\w\"x"="1")", RegType::Sz, Sz("1")},
      {"deletion with comment",
       "\"v\"=\"1\"\n\"v\"=- ;c\n\"v\"=dword:2",
       RegType::Dword,
       {2, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const RegKey tree =
        Load(Utf8File("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n" + c.line +
                      "\n"),
             RootKey::CurrentUser);
    const RegKey* key = Find(tree, "K");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->Values().size(), 1u);
    const RegValue& value = key->Values()[0];
    EXPECT_EQ(value.name, c.label == "name escapes" ? "v\\w\"x" : "v");
    EXPECT_EQ(value.type, c.type);
    EXPECT_EQ(value.data, c.data);
  }
}

TEST(RegFileTest, EncodingsAndLineEndsGiveTheSameTree) {
  const std::string text =
      "Windows Registry Editor Version 5.00  \n"
      "; a comment\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\\u00c4rger]  \n"
      "  \"Name\"=\"\u00fc\u20ac\"\n"
      "@=dword:00000002\n";
  const RegKey expected = Load(RegeditFile(text), RootKey::CurrentUser);
  const RegKey* key = Find(expected, "SOFTWARE\\\u00e4RGER");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->FindValue("name")->data, Sz("\u00fc\u20ac"));
  EXPECT_EQ(key->FindValue("")->data, (Bytes{2, 0, 0, 0}));

  Bytes utf16Lf = {0xFF, 0xFE};
  AppendUtf8ToUtf16Le(text, utf16Lf);
  ExpectSameTree(expected, Load(utf16Lf, RootKey::CurrentUser));
  ExpectSameTree(expected, Load(Utf8File(text), RootKey::CurrentUser));
  ExpectSameTree(expected, Load(Utf8File("\xEF\xBB\xBF" + text), RootKey::CurrentUser));
  std::string crlf;
  for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  ExpectSameTree(expected, Load(Utf8File(crlf), RootKey::CurrentUser));
}

// Records what the reader reports, to show what a sink sees and with which line numbers.
class RecordingSink : public RegFileSink {
 public:
  std::vector<std::string> events;
  void OnKey(RootKey root, std::string_view path, int line) override {
    events.push_back(std::to_string(line) + " key " + std::string(RootKeyName(root)) + " " +
                     std::string(path));
  }
  void OnDeleteKey(RootKey root, std::string_view path, int line) override {
    events.push_back(std::to_string(line) + " delete key " + std::string(RootKeyName(root)) + " " +
                     std::string(path));
  }
  void OnValue(RegValue&& value, int line) override {
    events.push_back(std::to_string(line) + " value " + value.name + " " +
                     std::to_string(value.data.size()));
  }
  void OnDeleteValue(std::string_view name, int line) override {
    events.push_back(std::to_string(line) + " delete value " + std::string(name));
  }
};

TEST(RegFileTest, LineEndsAndBlanksWindowsAccepts) {
  const RegKey expected = Load(
      V5File("[HKEY_CURRENT_USER\\A]\n\"v\"=\"x\"\n\"w\"=hex:01,\\\n  02\n"), RootKey::CurrentUser);
  ASSERT_NE(Find(expected, "A"), nullptr);
  ASSERT_EQ(Find(expected, "A")->Values().size(), 2u);
  const std::vector<std::pair<std::string, std::string>> variants = {
      {"CR only",
       "Windows Registry Editor Version 5.00\r\r[HKEY_CURRENT_USER\\A]\r\"v\"=\"x\"\r"
       "\"w\"=hex:01,\\\r  02\r"},
      {"mixed line ends",
       "Windows Registry Editor Version 5.00\r\n\n[HKEY_CURRENT_USER\\A]\r\"v\"=\"x\"\n"
       "\"w\"=hex:01,\\\r\n  02"},
      {"blanks before the version line",
       " \t Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"x\"\n"
       "\"w\"=hex:01,\\\n  02\n"},
      {"key path ending in backslashes",
       "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\\\\\\]\n\"v\"=\"x\"\n"
       "\"w\"=hex:01,\\\n  02\n"},
  };
  for (const auto& [label, text] : variants) {
    SCOPED_TRACE(label);
    ExpectSameTree(expected, Load(Utf8File(text), RootKey::CurrentUser));
    Bytes utf16 = {0xFF, 0xFE};
    AppendUtf8ToUtf16Le(text, utf16);
    ExpectSameTree(expected, Load(utf16, RootKey::CurrentUser));
  }
  RecordingSink sink;
  ParseRegFile(V5File("[HKEY_CURRENT_USER\\A\\\\]\n[-HKEY_CURRENT_USER\\B\\\\\\]\n"), "t.reg",
               sink);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"3 key HKEY_CURRENT_USER A",
                                                   "4 delete key HKEY_CURRENT_USER B"}));
}

// UTF-16LE text of a file with each marker character replaced by its code unit.
Bytes Utf16WithUnits(std::string_view text,
                     std::initializer_list<std::pair<char, char16_t>> replacements) {
  Bytes bytes = {0xFF, 0xFE};
  AppendUtf8ToUtf16Le(text, bytes);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    for (const auto& [marker, unit] : replacements) {
      if (bytes[i] == marker && bytes[i + 1] == 0) {
        bytes[i] = static_cast<std::uint8_t>(unit);
        bytes[i + 1] = static_cast<std::uint8_t>(unit >> 8);
        break;
      }
    }
  }
  return bytes;
}

TEST(RegFileTest, LoneSurrogatesInNamesAndTextAreRefusedNamingTheLine) {
  const std::string header = "Windows Registry Editor Version 5.00\n\n";
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"in a key name", "[HKEY_CURRENT_USER\\A#]\n"},
      {"in a value name", "[HKEY_CURRENT_USER\\A]\n\"v#\"=dword:1\n"},
      {"in string data", "[HKEY_CURRENT_USER\\A]\n\"v\"=\"x#\"\n"},
      {"in a deleted value's name", "[HKEY_CURRENT_USER\\A]\n\"v#\"=-\n"},
  };
  for (const char16_t unit : {u'\xD800', u'\xDBFF', u'\xDC00', u'\xDFFF'}) {
    for (const auto& [label, body] : refused) {
      SCOPED_TRACE(label + " " + std::to_string(unit));
      RecordingSink sink;
      try {
        ParseRegFile(Utf16WithUnits(header + body, {{'#', unit}}), "t.reg", sink);
        ADD_FAILURE() << "no error";
      } catch (const Error& e) {
        const int line = body.find('#') < body.find('\n') ? 3 : 4;
        EXPECT_EQ(std::string(e.what()),
                  "t.reg, Zeile " + std::to_string(line) +
                      ": ein UTF-16-Ersatzzeichen ohne Partner in einem Namen oder Text");
      }
    }
  }
  // In a comment Windows ignores it, and so do we; a pair is one character; hex data is bytes.
  const RegKey tree = Load(Utf16WithUnits(header + "; #\n[HKEY_CURRENT_USER\\A]\n"
                                                   "\"v\"=\"x\" ;#\n\"w\"=hex(1):00,d8,00,00\n",
                                          {{'#', 0xD800}}),
                           RootKey::CurrentUser);
  EXPECT_EQ(Find(tree, "A")->FindValue("v")->data, Sz("x"));
  EXPECT_EQ(Find(tree, "A")->FindValue("w")->data, (Bytes{0x00, 0xD8, 0, 0}));
  const RegKey paired = Load(Utf16WithUnits(header + "[HKEY_CURRENT_USER\\A]\n\"v#%\"=\"#%\"\n",
                                            {{'#', 0xD83D}, {'%', 0xDE00}}),
                             RootKey::CurrentUser);
  EXPECT_EQ(Find(paired, "A")->FindValue("v\U0001F600")->data, Sz("\U0001F600"));
}

TEST(RegFileTest, RootNamesAndClassesRoot) {
  const RegKey tree =
      Load(Utf8File("Windows Registry Editor Version 5.00\n"
                    "[hklm\\Software\\A]\n"
                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\a\\B]\n"
                    "\"v\"=dword:00000001\n"
                    "[HKEY_CLASSES_ROOT\\.txt]\n"
                    "@=\"txtfile\"\n"
                    "[hkey_classes_root]\n"
                    "\"c\"=\"classes\"\n"));
  EXPECT_EQ(SubkeyNames(tree), std::vector<std::string>{"Software"});
  ASSERT_NE(Find(tree, "Software\\A\\B"), nullptr);
  EXPECT_EQ(Find(tree, "Software\\A\\B")->Values().size(), 1u);
  EXPECT_EQ(SubkeyNames(*Find(tree, "Software")), (std::vector<std::string>{"A", "Classes"}));
  ASSERT_NE(Find(tree, "SOFTWARE\\Classes\\.txt"), nullptr);
  EXPECT_EQ(Find(tree, "SOFTWARE\\Classes\\.txt")->FindValue("")->data, Sz("txtfile"));
  EXPECT_EQ(Find(tree, "SOFTWARE\\Classes")->FindValue("c")->data, Sz("classes"));

  const RegKey user =
      Load(Utf8File("REGEDIT4\n[HKCU\\X]\n[HKEY_Current_User\\x\\Y]\n"), RootKey::CurrentUser);
  ASSERT_NE(Find(user, "X\\Y"), nullptr);
}

// The builder caches the previous header's path; headers that go back up or to another branch
// must still reach the right keys.
TEST(RegFileTest, ValuesLandInTheirKeyWhateverTheHeaderOrder) {
  const RegKey tree =
      Load(Utf8File("Windows Registry Editor Version 5.00\n"
                    "[HKLM\\A\\B\\C]\n\"v\"=\"abc\"\n"
                    "[HKLM\\A\\B]\n\"v\"=\"ab\"\n"
                    "[HKLM\\A\\X\\C]\n\"v\"=\"axc\"\n"
                    "[HKLM\\a\\b\\c\\D]\n\"v\"=\"abcd\"\n"
                    "[HKLM\\A\\B\\C]\n\"w\"=\"abc2\"\n"
                    "[HKLM\\A\\\\B\\]\n\"w\"=\"ab2\"\n"));
  EXPECT_EQ(Find(tree, "A\\B\\C")->FindValue("v")->data, Sz("abc"));
  EXPECT_EQ(Find(tree, "A\\B\\C")->FindValue("w")->data, Sz("abc2"));
  EXPECT_EQ(Find(tree, "A\\B")->FindValue("v")->data, Sz("ab"));
  EXPECT_EQ(Find(tree, "A\\B")->FindValue("w")->data, Sz("ab2"));
  EXPECT_EQ(Find(tree, "A\\X\\C")->FindValue("v")->data, Sz("axc"));
  EXPECT_EQ(Find(tree, "A\\B\\C\\D")->FindValue("v")->data, Sz("abcd"));
  EXPECT_EQ(SubkeyNames(*Find(tree, "A")), (std::vector<std::string>{"B", "X"}));
  EXPECT_EQ(Find(tree, "A\\B")->Values().size(), 2u);
}

TEST(RegFileTest, DeletionsRemoveKeysAndValues) {
  RegKey tree("HKEY_CURRENT_USER");
  RegKey& app = tree.AddSubkey("Software").AddSubkey("App");
  app.SetValue("keep", RegType::Sz, Sz("1"));
  app.SetValue("drop", RegType::Sz, Sz("2"));
  app.AddSubkey("Old").AddSubkey("Older");
  tree.AddSubkey("Software").AddSubkey("Gone");

  RegTreeBuilder builder(RootKey::CurrentUser, tree, "test.reg");
  ParseRegFile(Utf8File("Windows Registry Editor Version 5.00\n"
                        "[-HKEY_CURRENT_USER\\Software\\App\\OLD]\n"
                        "\"ignored\"=\"because the key was deleted\"\n"
                        "\"drop\"=-\n"
                        "[HKEY_CURRENT_USER\\Software\\App]\n"
                        "\"DROP\"=-\n"
                        "\"missing\"=-\n"
                        "[-HKEY_CURRENT_USER\\Software\\gone]\n"
                        "[-HKEY_CURRENT_USER\\Nowhere\\At\\All]\n"),
               "test.reg", builder);
  EXPECT_EQ(SubkeyNames(*Find(tree, "Software")), std::vector<std::string>{"App"});
  EXPECT_TRUE(app.Subkeys().empty());
  ASSERT_EQ(app.Values().size(), 1u);
  EXPECT_EQ(app.Values()[0].name, "keep");
}

TEST(RegFileTest, Regedit4StringsAreAnsiAndStoredAsUtf16) {
  // Windows-1252: é is E9, € is 80; the hex data of string types is ANSI as well.
  const RegKey ansi = Load(Utf8File("REGEDIT4\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\Alt]\r\n"
                                    "\"Name\"=\"Caf\xE9 \x80\"\r\n"
                                    "\"Expand\"=hex(2):25,54,45,4d,50,25,5c,e9,00\r\n"
                                    "\"Multi\"=hex(7):61,00,80,00,00\r\n"
                                    "\"Plain\"=hex(1):e9,00\r\n"
                                    "\"Binary\"=hex:e9\r\n"
                                    "\"Caf\xE9\"=dword:0000000a\r\n"),
                           RootKey::CurrentUser);
  const RegKey* key = Find(ansi, "Software\\Alt");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->FindValue("Name")->data, Sz("Caf\u00e9 \u20ac"));
  EXPECT_EQ(key->FindValue("Expand")->type, RegType::ExpandSz);
  EXPECT_EQ(key->FindValue("Expand")->data, Sz("%TEMP%\\\u00e9"));
  EXPECT_EQ(key->FindValue("Multi")->data, Utf8ToUtf16Le(std::string("a\0\u20ac\0\0", 7)));
  EXPECT_EQ(key->FindValue("Plain")->data, Sz("\u00e9"));
  EXPECT_EQ(key->FindValue("Binary")->data, Bytes{0xE9});
  ASSERT_NE(key->FindValue("Caf\u00e9"), nullptr);

  // A REGEDIT4 file in UTF-8: its hex string data is UTF-8 unless it is not valid UTF-8.
  const RegKey utf8 = Load(Utf8File("REGEDIT4\n"
                                    "[HKEY_CURRENT_USER\\Software\\Alt]\n"
                                    "\"Name\"=\"Caf\u00e9\"\n"
                                    "\"Expand\"=hex(2):c3,a9,00\n"
                                    "\"Fallback\"=hex(1):e9,00\n"),
                           RootKey::CurrentUser);
  key = Find(utf8, "Software\\Alt");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->FindValue("Name")->data, Sz("Caf\u00e9"));
  EXPECT_EQ(key->FindValue("Expand")->data, Sz("\u00e9"));
  EXPECT_EQ(key->FindValue("Fallback")->data, Sz("\u00e9"));
}

struct ErrorCase {
  std::string label;
  Bytes file;
  std::string message;
};

Bytes V5(std::string_view body) {
  return Utf8File("Windows Registry Editor Version 5.00\n\n" + std::string(body));
}

TEST(RegFileTest, MalformedFilesNameTheLineAndTheFault) {
  Bytes oddUtf16 = RegeditFile("Windows Registry Editor Version 5.00\n\n[HKCU\\A]\n");
  oddUtf16.push_back('x');
  const std::vector<ErrorCase> cases = {
      {"other header", Utf8File("Windows Registry Editor Version 4.00\n[HKCU\\A]\n"),
       "Zeile 1: keine Registrierungsdatei: die erste Zeile muss „Windows Registry Editor Version "
       "5.00“ oder „REGEDIT4“ lauten"},
      {"a near miss of the Windows 3.1 header", Utf8File("REGEDIT5\n"),
       "Zeile 1: keine Registrierungsdatei: die erste Zeile muss „Windows Registry Editor Version "
       "5.00“ oder „REGEDIT4“ lauten"},
      {"binary garbage", Bytes{0x7F, 'E', 'L', 'F', 0, 1, 0xFF, '\n', 0x80},
       "Zeile 1: keine Registrierungsdatei: die erste Zeile muss „Windows Registry Editor Version "
       "5.00“ oder „REGEDIT4“ lauten"},
      {"empty file", Bytes{},
       "Zeile 1: keine Registrierungsdatei: die erste Zeile muss „Windows "
       "Registry Editor Version 5.00“ oder „REGEDIT4“ lauten"},
      {"only a byte order mark", Bytes{0xFF, 0xFE},
       "Zeile 1: keine Registrierungsdatei: die erste Zeile muss „Windows Registry Editor Version "
       "5.00“ oder „REGEDIT4“ lauten"},
      {"unterminated name", V5("[HKCU\\A]\n\"v=1\n"), "Zeile 4: nicht abgeschlossener Wertname"},
      {"unterminated data", V5("[HKCU\\A]\n\"v\"=\"x\n"),
       "Zeile 4: nicht abgeschlossene Zeichenkette"},
      {"data ending in a backslash", V5("[HKCU\\A]\n\"v\"=\"x\\\"\n"),
       "Zeile 4: nicht abgeschlossene Zeichenkette"},
      {"text after the string", V5("[HKCU\\A]\n\"v\"=\"x\" y\n"),
       "Zeile 4: unerwarteter Text nach dem Wert"},
      {"missing =", V5("[HKCU\\A]\n\"v\" \"x\"\n"), "Zeile 4: „=“ fehlt nach dem Wertnamen"},
      {"unknown type tag", V5("[HKCU\\A]\n\n\"v\"=qword:1\n"), "Zeile 5: unbekannter Werttyp"},
      {"bad type number", V5("[HKCU\\A]\n\"v\"=hex(zz):00\n"), "Zeile 4: unbekannter Werttyp"},
      {"unclosed type number", V5("[HKCU\\A]\n\"v\"=hex(2:00\n"), "Zeile 4: unbekannter Werttyp"},
      {"type number too long", V5("[HKCU\\A]\n\"v\"=hex(123456789):00\n"),
       "Zeile 4: unbekannter Werttyp"},
      {"bad hex digit", V5("[HKCU\\A]\n\"v\"=hex:0g\n"), "Zeile 4: ungültiges Hex-Byte"},
      {"single hex digit", V5("[HKCU\\A]\n\"v\"=hex:1,2\n"), "Zeile 4: ungültiges Hex-Byte"},
      {"missing comma", V5("[HKCU\\A]\n\"v\"=hex:01 02\n"), "Zeile 4: ungültiges Hex-Byte"},
      {"bad byte on a continued line", V5("[HKCU\\A]\n\"v\"=hex:01,\\\n  02,\\\n  zz\n"),
       "Zeile 6: ungültiges Hex-Byte"},
      // Lines Windows skips, or whose value it drops: the file is refused, naming the line.
      {"NUL escape in a string", V5("[HKCU\\A]\n\"a\"=\"x\\0y\"\n"),
       "Zeile 4: ungültige Escape-Sequenz „\\0“ (in Zeichenketten gelten nur \\\\ und \\\")"},
      {"line feed escape in a string", V5("[HKCU\\A]\n\"a\"=\"x\\ny\"\n"),
       "Zeile 4: ungültige Escape-Sequenz „\\n“ (in Zeichenketten gelten nur \\\\ und \\\")"},
      {"single backslash in a path", V5("[HKCU\\A]\n\"a\"=\"C:\\Ürger\"\n"),
       "Zeile 4: ungültige Escape-Sequenz „\\Ü“ (in Zeichenketten gelten nur \\\\ und \\\")"},
      {"single backslash in a name", V5("[HKCU\\A]\n\"C:\\x.dll\"=dword:1\n"),
       "Zeile 4: ungültige Escape-Sequenz „\\x“ (in Zeichenketten gelten nur \\\\ und \\\")"},
      {"name escape in string data", V5("[HKCU\\A]\n\"a\"=\"x\\<0a>\"\n"),
       "Zeile 4: ungültige Escape-Sequenz „\\<“ (in Zeichenketten gelten nur \\\\ und \\\")"},
      {"name escape of a printable character", V5("[HKCU\\A]\n\"a\\<41>\"=dword:1\n"),
       "Zeile 4: ungültige Escape-Sequenz „\\<“ (in Zeichenketten gelten nur \\\\ und \\\")"},
      {"continuation line holding only a backslash",
       V5("[HKCU\\A]\n\"v\"=hex:11,22,\\\n\\\n  33\n"), "Zeile 5: ungültiges Hex-Byte"},
      {"value line after a continuation", V5("[HKCU\\A]\n\"v\"=hex:11,\\\n\"w\"=\"x\"\n"),
       "Zeile 5: ungültiges Hex-Byte"},
      {"blank line, then a default value, after a continuation",
       V5("[HKCU\\A]\n\"v\"=hex(2):4c,00,\\\n\n@=\"x\"\n"), "Zeile 6: ungültiges Hex-Byte"},
      {"key header after a continuation", V5("[HKCU\\A]\n\"v\"=hex:11,\\\n[HKCU\\B]\n"),
       "Zeile 5: ungültiges Hex-Byte"},
      {"backslash right after a byte", V5("[HKCU\\A]\n\"v\"=hex:11\\\n  22\n"),
       "Zeile 4: ungültiges Hex-Byte"},
      {"backslash inside the list", V5("[HKCU\\A]\n\"v\"=hex:11,\\22\n"),
       "Zeile 4: ungültiges Hex-Byte"},
      {"continued with a comma", V5("[HKCU\\A]\n\"v\"=hex:11,\\\n  ,22\n"),
       "Zeile 5: ungültiges Hex-Byte"},
      {"leading comma", V5("[HKCU\\A]\n\"v\"=hex:,11\n"), "Zeile 4: ungültiges Hex-Byte"},
      {"double comma", V5("[HKCU\\A]\n\"v\"=hex:11,,22\n"), "Zeile 4: ungültiges Hex-Byte"},
      {"exact form of a non-string type", V5("[HKCU\\A]\n\"v\"=hex(3,exact):11\n"),
       "Zeile 4: unbekannter Werttyp"},
      {"dword too long", V5("[HKCU\\A]\n\"v\"=dword:123456789\n"),
       "Zeile 4: ungültiger DWORD-Wert"},
      {"dword empty", V5("[HKCU\\A]\n\"v\"=dword:\n"), "Zeile 4: ungültiger DWORD-Wert"},
      {"dword not hex", V5("[HKCU\\A]\n\"v\"=dword:12x\n"), "Zeile 4: ungültiger DWORD-Wert"},
      {"value before any key", V5("; first\n\"v\"=\"x\"\n"),
       "Zeile 4: Wert außerhalb eines Schlüssels"},
      {"default value before any key", V5("@=-\n"), "Zeile 3: Wert außerhalb eines Schlüssels"},
      {"stray line", V5("[HKCU\\A]\nv=1\n"), "Zeile 4: weder Schlüssel noch Wert noch Kommentar"},
      {"unsupported root", V5("[HKCU\\A]\n[HKEY_USERS\\S-1-5-18]\n"),
       "Zeile 4: nicht unterstützter Stammschlüssel „HKEY_USERS“"},
      {"empty header", V5("[]\n"), "Zeile 3: nicht unterstützter Stammschlüssel „“"},
      {"unclosed header", V5("[HKCU\\A\n"),
       "Zeile 3: Schlüsselname ohne schließende Klammer am Zeilenende"},
      {"text after header", V5("[HKCU\\A] x\n"),
       "Zeile 3: Schlüsselname ohne schließende Klammer am Zeilenende"},
      {"key of the other root", V5("[HKCU\\A]\n[HKLM\\B]\n"),
       "Zeile 4: Schlüssel unter HKEY_LOCAL_MACHINE in der Datei für HKEY_CURRENT_USER"},
      {"root deleted", V5("[-HKEY_CURRENT_USER]\n"),
       "Zeile 3: ein Stammschlüssel kann nicht gelöscht werden"},
      {"Windows 3.1 format with content",
       Utf8File("REGEDIT\n\nHKEY_CLASSES_ROOT\\.txt = txtfile\n"),
       "Zeile 3: Dateien im Format von Windows 3.1 („REGEDIT“) werden nur ohne Inhalt gelesen"},
      {"Windows 3.1 format with a key header", RegeditFile("REGEDIT\n[HKCU\\A]\n"),
       "Zeile 2: Dateien im Format von Windows 3.1 („REGEDIT“) werden nur ohne Inhalt gelesen"},
      {"odd-length UTF-16", oddUtf16, "Zeile 4: UTF-16-Datei mit ungerader Anzahl von Bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RegKey tree("HKEY_CURRENT_USER");
    RegTreeBuilder builder(RootKey::CurrentUser, tree, "C:\\Daten\\test.reg");
    try {
      ParseRegFile(c.file, "C:\\Daten\\test.reg", builder);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "C:\\Daten\\test.reg, " + c.message);
    }
  }
}

TEST(RegFileTest, AWindows31HeaderAloneImportsNothing) {
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"ANSI, header only", Utf8File("REGEDIT")},
      {"ANSI, blank lines after", Utf8File("REGEDIT\r\n\r\n  \r\n")},
      {"Unicode, header only", RegeditFile("REGEDIT")},
      {"Unicode, blanks around", RegeditFile(" REGEDIT \n\t\n")},
  };
  for (const auto& [label, file] : files) {
    SCOPED_TRACE(label);
    RecordingSink sink;
    EXPECT_NO_THROW(ParseRegFile(file, "test.reg", sink));
    EXPECT_TRUE(sink.events.empty());
  }
}

TEST(RegFileTest, SinkSeesEventsWithTheirStartLinesAndNothingAfterAnError) {
  RecordingSink sink;
  EXPECT_THROW(ParseRegFile(RegeditFile("Windows Registry Editor Version 5.00\n"
                                        "\n"
                                        "[HKEY_CLASSES_ROOT\\CLSID]\n"
                                        "\"a\"=hex:01,\\\n"
                                        "  02,\\\n"
                                        "  03\n"
                                        "[-HKCU\\Old]\n"
                                        "@=-\n"
                                        "\"b\"=\"unterminated\n"
                                        "\"c\"=dword:00000001\n"),
                            "test.reg", sink),
               Error);
  EXPECT_EQ(sink.events, (std::vector<std::string>{
                             "3 key HKEY_LOCAL_MACHINE SOFTWARE\\Classes\\CLSID",
                             "4 value a 3",
                             "7 delete key HKEY_CURRENT_USER Old",
                             "8 delete value ",
                         }));
}

}  // namespace
}  // namespace lintrove::platform
