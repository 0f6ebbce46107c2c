#include "platform/posix/wine_registry_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "platform/registry_types.h"
#include "support/error_of.h"

namespace lintrove::platform {
namespace {

using test::ErrorOf;
using namespace std::string_literals;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

WineRegistryFile Parse(std::string_view body) {
  const std::string text = "WINE REGISTRY Version 2\n" + std::string(body);
  return ParseWineRegistryFile(Bytes(text), "system.reg");
}

std::vector<std::uint8_t> Utf16(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

const RegValue& ValueOf(const WineRegistryFile& file, std::vector<std::string> path,
                        std::string_view name) {
  const RegKey* key = file.FindKey(path);
  if (!key) throw std::runtime_error("no key");
  const RegValue* value = key->FindValue(name);
  if (!value) throw std::runtime_error("no value " + std::string(name));
  return *value;
}

// A part of a file as Wine writes it: its header, the relative-to comment, the architecture,
// keys with their modification times and options, and every form of value it writes.
constexpr std::string_view kWineFile = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tool \[x\]] 1733900000
#time=1db4b1a2c3d4e5f
"DisplayName"="Tool \"Pro\" \\ \xe4\x00e4 \xd83d\xde00"
"DisplayVersion"="1.2"
"Controls"="a\tb\nc\rd\ae\be\ef\fv\v-\0-\177"
"OctalThenDigit"="\0011"
"UnknownEscape"="\q\x"
"Path"=str(2):"%ProgramFiles%\\Tool"
"Names"=str(7):"one\0two\0"
"Size"=dword:0000abcd
"Blob"=hex:01,02,ff,\
  10,20
"Quad"=hex(b):01,00,00,00,00,00,00,00
"Odd"=hex(1):41,00,42
@="default"

[System\\ControlSet001\\Control\\ComputerName\\ComputerName] 1733900000
#class="chosen"
"ComputerName"="WINEBOX"

[System\\CurrentControlSet] 1733900000
#time=1db4b1a2c3d4e5f
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,45,00,47,00,49,00,53,00,54,00,52,00,59,00,5c,00,4d,00,\
  61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,74,00,65,00,6d,00,\
  5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,00,74,00,30,00,30,00,\
  31,00
)";

TEST(WineRegistryFile, ReadsEveryFormWineWrites) {
  const WineRegistryFile file = ParseWineRegistryFile(Bytes(kWineFile), "system.reg");
  EXPECT_EQ(file.base, "Machine");
  EXPECT_EQ(file.win64, true);

  const std::vector<std::string> tool = {"Software",       "Microsoft", "Windows",
                                         "CurrentVersion", "Uninstall", "Tool [x]"};
  struct Case {
    std::string_view name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  const Case cases[] = {
      {"DisplayName", RegType::Sz, Utf16(u"Tool \"Pro\" \\ \u00e4\u00e4 \U0001F600\0"s)},
      {"DisplayVersion", RegType::Sz, Utf16(u"1.2\0"s)},
      {"Controls", RegType::Sz,
       Utf16(u"a\tb\nc\rd\ae\be\x1b"
             u"f\fv\v-\0-\x7f\0"s)},
      {"OctalThenDigit", RegType::Sz,
       Utf16(u"\x01"
             u"1\0"s)},
      {"UnknownEscape", RegType::Sz, Utf16(u"qx\0"s)},
      {"Path", RegType::ExpandSz, Utf16(u"%ProgramFiles%\\Tool\0"s)},
      {"Names", RegType::MultiSz, Utf16(u"one\0two\0\0"s)},
      {"Size", RegType::Dword, {0xcd, 0xab, 0, 0}},
      {"Blob", RegType::Binary, {1, 2, 0xff, 0x10, 0x20}},
      {"Quad", RegType::Qword, {1, 0, 0, 0, 0, 0, 0, 0}},
      {"Odd", RegType::Sz, {0x41, 0, 0x42}},
      {"", RegType::Sz, Utf16(u"default\0"s)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RegValue& value = ValueOf(file, tool, c.name);
    EXPECT_EQ(value.type, c.type);
    EXPECT_EQ(value.data, c.data);
  }
  EXPECT_EQ(file.FindKey(tool)->Values().size(), std::size(cases)) << "values in file order";
}

TEST(WineRegistryFile, FollowsLinksBelowItsOwnRoot) {
  const WineRegistryFile file = ParseWineRegistryFile(Bytes(kWineFile), "system.reg");
  const RegValue& name =
      ValueOf(file, {"SYSTEM", "CurrentControlSet", "Control", "ComputerName", "ComputerName"},
              "ComputerName");
  EXPECT_EQ(Utf16LeToUtf8(name.data), std::string("WINEBOX\0", 8));
  // The link itself leads to its target.
  EXPECT_EQ(file.FindKey(std::vector<std::string>{"System", "CurrentControlSet"}),
            file.FindKey(std::vector<std::string>{"System", "ControlSet001"}));
}

TEST(WineRegistryFile, LinkCyclesAndForeignTargetsEndQuietly) {
  const std::string loop =
      "5c,00,52,00,45,00,47,00,49,00,53,00,54,00,52,00,59,00,5c,00,4d,00,"
      "61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,41,00";  // \REGISTRY\Machine\A
  const WineRegistryFile file = Parse(
      ";; All keys relative to \\\\Machine\n[A]\n#link\n"
      "\"SymbolicLinkValue\"=hex(6):" +
      loop +
      "\n"
      "[B]\n#link\n\"SymbolicLinkValue\"=hex(6):5c,00,55,00\n");
  EXPECT_EQ(file.FindKey(std::vector<std::string>{"A", "x"}), nullptr);
  ASSERT_NE(file.FindKey(std::vector<std::string>{"B"}), nullptr) << "a plain key then";
}

TEST(WineRegistryFile, WithoutArchitectureLineTheFileSaysNothing) {
  EXPECT_EQ(Parse("[Software]\n").win64, std::nullopt);
  EXPECT_EQ(Parse("#arch=win32\n").win64, false);
}

TEST(WineRegistryFile, FaultsNameTheFileAndLine) {
  struct Case {
    std::string_view body;  // after the header line
    std::string expected;
  };
  const Case cases[] = {
      {"[Software\n", "system.reg, Zeile 2: Schlüsselname ohne schließende Klammer am Zeilenende"},
      {"\"a\"=\"b\"\n", "system.reg, Zeile 2: Wert außerhalb eines Schlüssels"},
      {"[K]\n\"a=\"b\"\n", "system.reg, Zeile 3: „=“ fehlt nach dem Wertnamen"},
      {"[K]\n\"a\n", "system.reg, Zeile 3: nicht abgeschlossener Wertname"},
      {"[K]\n\"a\"=\"b\n", "system.reg, Zeile 3: nicht abgeschlossene Zeichenkette"},
      {"[K]\n\"a\"=\"b\" x\n", "system.reg, Zeile 3: unerwarteter Text nach dem Wert"},
      {"[K]\n\"a\"=dword:123456789\n", "system.reg, Zeile 3: ungültiger DWORD-Wert"},
      {"[K]\n\"a\"=dword:\n", "system.reg, Zeile 3: ungültiger DWORD-Wert"},
      {"[K]\n\"a\"=hex:01,zz\n", "system.reg, Zeile 3: ungültiges Hex-Byte"},
      {"[K]\n\"a\"=hex:01,\\\n  02 03\n", "system.reg, Zeile 4: ungültiges Hex-Byte"},
      {"[K]\n\"a\"=hex(zz):01\n", "system.reg, Zeile 3: unbekannter Werttyp"},
      {"[K]\n\"a\"=str(2)\"x\"\n", "system.reg, Zeile 3: unbekannter Werttyp"},
      {"[K]\n\"a\"=word:1\n", "system.reg, Zeile 3: unbekannter Werttyp"},
      {"[K]\n\"a\xff\"=\"b\"\n", "system.reg, Zeile 3: ungültiger UTF-8-Text"},
      {"[K]\n\"\\xd800\"=\"b\"\n",
       "system.reg, Zeile 3: ein UTF-16-Ersatzzeichen ohne Partner in einem Namen oder Text"},
      {"[A\\\\\\\\B]\n",
       "system.reg, Zeile 2: Der Schlüsselpfad enthält einen leeren Namen: A\\\\B"},
      {"[K] 12 x\n", "system.reg, Zeile 2: unerwarteter Text nach dem Wert"},
      {"#arch=win128\n", "system.reg, Zeile 2: unbekannte Architektur „win128“"},
      {"[K]\nstray\n", "system.reg, Zeile 3: weder Schlüssel noch Wert noch Kommentar"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorOf([&] { Parse(c.body); }), c.expected) << c.body;
  }
  EXPECT_EQ(ErrorOf([] { ParseWineRegistryFile(Bytes("REGEDIT4\n"), "user.reg"); }),
            "user.reg, Zeile 1: keine Registrierungsdatei von Wine: die erste Zeile muss "
            "„WINE REGISTRY Version 2“ lauten");
  EXPECT_EQ(ErrorOf([] { ParseWineRegistryFile({}, "user.reg"); }),
            "user.reg, Zeile 1: keine Registrierungsdatei von Wine: die erste Zeile muss "
            "„WINE REGISTRY Version 2“ lauten");
}

TEST(WineRegistryFile, HexContinuesAcrossLinesAndAtTheEndOfTheFile) {
  const WineRegistryFile file =
      Parse("[K]\r\n\"a\"=hex:01,\\\r\n  02,\\\r\n  03\r\n\"b\"=hex:01,\\");
  EXPECT_EQ(ValueOf(file, {"K"}, "a").data, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(ValueOf(file, {"K"}, "b").data, (std::vector<std::uint8_t>{1}));
}

}  // namespace
}  // namespace lintrove::platform
