// The Win32 registry backend against the system's own registry functions: what it writes is what
// Windows reads, and the other way round.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <optional>

#include "base/error.h"
#include "platform/logon_entry.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/win32/wide_text.h"
#include "settings/client_settings.h"

namespace lintrove::platform {
namespace {

using ::testing::ElementsAre;
using namespace std::literals;

// The same path under both roots.
constexpr std::string_view kTestKey = "\\Software\\LintroveTests\\Win32";
constexpr std::wstring_view kRawTestKey = L"Software\\LintroveTests\\Win32";
constexpr std::wstring_view kRawRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;
  friend bool operator==(const RawValue&, const RawValue&) = default;
  friend void PrintTo(const RawValue& value, std::ostream* out) {
    *out << "type " << value.type << ", data " << ::testing::PrintToString(value.data);
  }
};

// Reads a value with advapi32 alone.
std::optional<RawValue> RawRead(HKEY root, std::wstring_view path, std::wstring_view name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, std::wstring(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::wstring valueName(name);
  RawValue value;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    value.data.resize(size + 1);  // never an empty buffer, whose address may be null
    status =
        RegQueryValueExW(key, valueName.c_str(), nullptr, &value.type, value.data.data(), &size);
    value.data.resize(size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return value;
}

// Writes a value with advapi32 alone, as another program would.
void RawWrite(HKEY root, std::wstring_view path, std::wstring_view name, const RawValue& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, std::wstring(path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  // A copy with a guard behind the data, lest Windows find a NUL there to add to a string.
  std::vector<std::uint8_t> guarded = value.data;
  guarded.insert(guarded.end(), {0xFF, 0xFF});
  EXPECT_EQ(RegSetValueExW(key, std::wstring(name).c_str(), 0, value.type, guarded.data(),
                           static_cast<DWORD>(value.data.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void RawDelete(HKEY root, std::wstring_view path, std::wstring_view name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, std::wstring(path).c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  RegDeleteValueW(key, std::wstring(name).c_str());
  RegCloseKey(key);
}

std::vector<std::uint8_t> Utf16Le(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

std::vector<std::uint8_t> LittleEndian(std::uint64_t value, std::size_t size) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < size; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  return bytes;
}

class Win32RegistryTest : public ::testing::Test {
 protected:
  Win32RegistryTest() { RemoveTestKey(); }
  ~Win32RegistryTest() override { RemoveTestKey(); }

  static void RemoveTestKey() {
    Registry(RootKey::CurrentUser).DeleteKey(kTestKey);
    for (RegistryView view : {RegistryView::Wow64_64, RegistryView::Wow64_32}) {
      Registry(RootKey::LocalMachine, view).DeleteKey(kTestKey);
    }
  }
};

// Every type, and data no typed write would make, reaches Windows and comes back byte for byte.
TEST_F(Win32RegistryTest, ValuesPassThroughUnchangedBothWays) {
  struct Case {
    std::string label;
    RawValue value;
  };
  const std::vector<Case> cases = {
      {"sz beyond Latin-1", {REG_SZ, Utf16Le(u"Grüße, €, 𝄞\0"sv)}},
      {"sz without NUL", {REG_SZ, Utf16Le(u"xy"sv)}},
      {"sz of odd size", {REG_SZ, {'x', 0, 'y'}}},
      {"empty sz", {REG_SZ, {}}},
      {"expand sz", {REG_EXPAND_SZ, Utf16Le(u"%ProgramFiles%\\Lintrove\0"sv)}},
      {"multi sz", {REG_MULTI_SZ, Utf16Le(u"eins\0zwei\0\0"sv)}},
      {"dword", {REG_DWORD, LittleEndian(0xFFFFFFFE, 4)}},
      {"big-endian dword", {REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}}},
      {"qword", {REG_QWORD, LittleEndian(0x0123456789ABCDEF, 8)}},
      {"binary", {REG_BINARY, {0, 1, 0xFE, 0xFF, 0}}},
      {"empty binary", {REG_BINARY, {}}},
      {"none with data", {REG_NONE, {1, 2, 3}}},
      {"none", {REG_NONE, {}}},
      {"a type of no name", {0x4000, {9}}},
  };
  Registry registry(RootKey::CurrentUser);
  ASSERT_TRUE(registry.OpenKey(kTestKey, true));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    registry.WriteValue("ours", c.value.type, c.value.data);
    EXPECT_EQ(RawRead(HKEY_CURRENT_USER, kRawTestKey, L"ours"), c.value);

    RawWrite(HKEY_CURRENT_USER, kRawTestKey, L"theirs", c.value);
    const auto read = registry.ReadValue("theirs");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->type, c.value.type);
    EXPECT_EQ(read->data, c.value.data);
  }
}

// The typed writes give what Windows' own typed reading makes of them.
TEST_F(Win32RegistryTest, TypedValuesAreWhatWindowsReads) {
  Registry registry(RootKey::CurrentUser);
  ASSERT_TRUE(registry.OpenKey(kTestKey, true));
  registry.WriteString("text", "Grüße 𝄞");
  registry.WriteExpandString("path", "%SystemRoot%\\Grüße");
  registry.WriteInteger("number", -2);
  registry.WriteFloat("time", 45000.25);

  const std::wstring key(kRawTestKey);
  wchar_t text[64] = {};
  DWORD size = sizeof text;
  ASSERT_EQ(
      RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"text", RRF_RT_REG_SZ, nullptr, text, &size),
      ERROR_SUCCESS);
  EXPECT_EQ(Narrow(text), "Grüße 𝄞");
  size = sizeof text;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"path",
                         RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(Narrow(text), "%SystemRoot%\\Grüße");
  DWORD number = 0;
  size = sizeof number;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"number", RRF_RT_REG_DWORD, nullptr,
                         &number, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(number, 0xFFFFFFFEu);
  double time = 0;
  size = sizeof time;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"time", RRF_RT_REG_BINARY, nullptr, &time,
                         &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(time, 45000.25);

  // And what Windows writes, the typed reads take.
  RawWrite(HKEY_CURRENT_USER, kRawTestKey, L"checked",
           {REG_BINARY, LittleEndian(std::bit_cast<std::uint64_t>(-1.5), 8)});
  EXPECT_EQ(registry.ReadFloat("checked"), -1.5);
  EXPECT_EQ(registry.ReadString("path"), "%SystemRoot%\\Grüße");
}

TEST_F(Win32RegistryTest, LargeValuesLongNamesAndNamesBeyondAscii) {
  Registry registry(RootKey::CurrentUser);
  ASSERT_TRUE(registry.OpenKey(kTestKey, true));
  std::vector<std::uint8_t> large(1 << 20);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
  registry.WriteBinaryData("large", large);
  EXPECT_EQ(registry.ReadValue("large")->data, large);

  const std::string longestValueName(16383, 'v');
  registry.WriteInteger(longestValueName, 1);
  registry.WriteInteger("Wert ä𝄞", 2);
  EXPECT_THAT(registry.GetValueNames(), ElementsAre("large", longestValueName, "Wert ä𝄞"));
  EXPECT_EQ(registry.ReadInteger(longestValueName), 1);
  EXPECT_EQ(RawRead(HKEY_CURRENT_USER, kRawTestKey, L"Wert ä\U0001D11E")->data, LittleEndian(2, 4));

  const std::string longestKeyName(255, 'k');
  // Windows refuses a longer name; Wine takes one more character, and it comes back whole all
  // the same.
  const std::string tooLongKeyName(256, 'l');
  ASSERT_TRUE(registry.OpenKey(std::string(kTestKey) + "\\" + longestKeyName, true));
  const bool tooLongKeyTaken =
      registry.OpenKey(std::string(kTestKey) + "\\" + tooLongKeyName, true);
  EXPECT_EQ(tooLongKeyTaken, RunsUnderWine());
  ASSERT_TRUE(registry.OpenKey(std::string(kTestKey) + "\\Schlüssel 𝄞", true));
  ASSERT_TRUE(registry.OpenKey(kTestKey, false));
  std::vector<std::string> keyNames = {longestKeyName, "Schlüssel 𝄞"};
  if (tooLongKeyTaken) keyNames.insert(keyNames.begin() + 1, tooLongKeyName);
  EXPECT_EQ(registry.GetKeyNames(), keyNames);
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER,
                          (std::wstring(kRawTestKey) + L"\\Schlüssel \U0001D11E").c_str(), 0,
                          KEY_READ, &raw),
            ERROR_SUCCESS);
  RegCloseKey(raw);
}

// Read opens for reading only, Write only what exists, WriteCreate makes it.
TEST_F(Win32RegistryTest, AccessModesOfTheBackend) {
  RegistryBackend& backend = SystemRegistry();
  const std::string path = std::string(kTestKey.substr(1)) + "\\Modes";
  EXPECT_EQ(backend.OpenKey(RootKey::CurrentUser, path, RegistryView::Default, KeyAccess::Read),
            nullptr);
  EXPECT_EQ(backend.OpenKey(RootKey::CurrentUser, path, RegistryView::Default, KeyAccess::Write),
            nullptr);
  const std::uint8_t one[] = {1, 0, 0, 0};
  {
    auto created =
        backend.OpenKey(RootKey::CurrentUser, path, RegistryView::Default, KeyAccess::WriteCreate);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->SetValue("v", REG_DWORD, one));
  }
  auto reading =
      backend.OpenKey(RootKey::CurrentUser, path, RegistryView::Default, KeyAccess::Read);
  ASSERT_NE(reading, nullptr);
  EXPECT_FALSE(reading->SetValue("w", REG_DWORD, one));
  EXPECT_FALSE(reading->DeleteValue("v"));
  auto writing =
      backend.OpenKey(RootKey::CurrentUser, path, RegistryView::Default, KeyAccess::Write);
  ASSERT_NE(writing, nullptr);
  EXPECT_TRUE(writing->DeleteValue("v"));
  EXPECT_FALSE(writing->DeleteValue("v"));
  EXPECT_FALSE(reading->QueryValue("v").has_value());
}

// The views, checked with the system's own view flags: the same for a 32-bit and a 64-bit
// program.
TEST_F(Win32RegistryTest, The32BitViewOfTheMachineSoftwareIsItsWow6432Node) {
  {
    Registry view32(RootKey::LocalMachine, RegistryView::Wow64_32);
    ASSERT_TRUE(view32.OpenKey("\\SOFTWARE\\LintroveTests\\Win32\\Vendor", true));
    view32.WriteString("DisplayName", "32");
  }
  auto exists = [](std::wstring_view path, REGSAM view) {
    HKEY key = nullptr;
    const bool found = RegOpenKeyExW(HKEY_LOCAL_MACHINE, std::wstring(path).c_str(), 0,
                                     KEY_READ | view, &key) == ERROR_SUCCESS;
    if (found) RegCloseKey(key);
    return found;
  };
  EXPECT_TRUE(exists(L"SOFTWARE\\WOW6432Node\\LintroveTests\\Win32\\Vendor", KEY_WOW64_64KEY));
  EXPECT_TRUE(exists(L"SOFTWARE\\LintroveTests\\Win32\\Vendor", KEY_WOW64_32KEY));
  EXPECT_FALSE(exists(L"SOFTWARE\\LintroveTests\\Win32\\Vendor", KEY_WOW64_64KEY));
  EXPECT_TRUE(Registry(RootKey::LocalMachine, RegistryView::Wow64_64)
                  .KeyExists("\\SOFTWARE\\WOW6432Node\\LintroveTests\\Win32\\Vendor"));
  EXPECT_TRUE(Registry(RootKey::LocalMachine, RegistryView::Wow64_32)
                  .DeleteKey("\\SOFTWARE\\LintroveTests\\Win32"));
  EXPECT_FALSE(exists(L"SOFTWARE\\WOW6432Node\\LintroveTests\\Win32", KEY_WOW64_64KEY));
}

// The client settings and the log-on entry live at fixed places of the user's registry; the
// test clears them before and after.
class Win32SettingsTest : public ::testing::Test {
 protected:
  Win32SettingsTest() { Clear(); }
  ~Win32SettingsTest() override { Clear(); }

  static void Clear() {
    Registry(RootKey::CurrentUser).DeleteKey(SettingsKey);
    SystemLogonEntry().Remove();
    RawDelete(HKEY_CURRENT_USER, kRawRunKey, kNeighbour);
  }

  // Another program's log-on entry.
  static constexpr std::wstring_view kNeighbour = L"LintroveTestsNachbar";

  static std::optional<RawValue> Stored(std::wstring_view name) {
    return RawRead(HKEY_CURRENT_USER, L"Software\\Dorv\\Lintrove", name);
  }
  static std::optional<RawValue> RunValue() {
    return RawRead(HKEY_CURRENT_USER, kRawRunKey, L"lintrove");
  }
};

TEST_F(Win32SettingsTest, ClientSettingsRoundTripThroughTheRegistry) {
  ClientSettings first;
  first.Load();
  EXPECT_EQ(first.int_reminder, 0) << "no log-on entry yet";
  first.bol_ssl = false;
  first.bol_developerversionen = true;
  first.dat_lastcheck = 45000.25;
  first.int_reminder = 2;
  first.Save();

  EXPECT_EQ(Stored(L"bol_ssl"), (RawValue{REG_DWORD, LittleEndian(0, 4)}));
  EXPECT_EQ(Stored(L"bol_developerversionen"), (RawValue{REG_DWORD, LittleEndian(1, 4)}));
  EXPECT_EQ(Stored(L"int_reminder"), (RawValue{REG_DWORD, LittleEndian(2, 4)}));
  EXPECT_EQ(Stored(L"dat_lastcheck"),
            (RawValue{REG_BINARY, LittleEndian(std::bit_cast<std::uint64_t>(45000.25), 8)}));
  const std::u16string guid = Utf8ToUtf16(first.ClientGuid);
  EXPECT_EQ(guid.size(), 38u);
  EXPECT_EQ(Stored(L"ClientGuid"), (RawValue{REG_SZ, Utf16Le(guid + u'\0')}));
  const std::u16string command =
      Utf8ToUtf16(RunValueCommandLine({ExecutablePath(), {"/reminder"}}));
  EXPECT_EQ(RunValue(), (RawValue{REG_SZ, Utf16Le(command + u'\0')}));

  // Another writer's Boolean 2 is true, and goes back as 1.
  RawWrite(HKEY_CURRENT_USER, L"Software\\Dorv\\Lintrove", L"bol_uptodate",
           {REG_DWORD, LittleEndian(2, 4)});
  ClientSettings second;
  second.Load();
  EXPECT_FALSE(second.bol_ssl);
  EXPECT_TRUE(second.bol_developerversionen);
  EXPECT_TRUE(second.bol_uptodate);
  EXPECT_EQ(second.dat_lastcheck, 45000.25);
  EXPECT_EQ(second.int_reminder, 2);
  EXPECT_EQ(second.ClientGuid, first.ClientGuid);
  second.int_reminder = 0;
  second.Save();
  EXPECT_EQ(Stored(L"bol_uptodate"), (RawValue{REG_DWORD, LittleEndian(1, 4)}));
  EXPECT_FALSE(RunValue().has_value());
}

TEST_F(Win32SettingsTest, RunValueEntryQuotesAPathWithBlanks) {
  LogonEntry& entry = SystemLogonEntry();
  const RawValue neighbour{REG_SZ, Utf16Le(u"C:\\nachbar.exe\0"sv)};
  RawWrite(HKEY_CURRENT_USER, kRawRunKey, kNeighbour, neighbour);
  EXPECT_FALSE(entry.Exists());

  entry.Write({"C:\\Programme\\alt.exe", {"/reminder"}});
  entry.Write({"C:\\Program Files (x86)\\Lintrove\\lintrove.exe", {"/reminder"}});
  EXPECT_TRUE(entry.Exists());
  EXPECT_EQ(
      RunValue(),
      (RawValue{REG_SZ,
                Utf16Le(u"\"C:\\Program Files (x86)\\Lintrove\\lintrove.exe\" /reminder\0"sv)}));

  entry.Remove();
  EXPECT_FALSE(entry.Exists());
  EXPECT_FALSE(RunValue().has_value());
  entry.Remove();  // nothing there: no error
  EXPECT_EQ(RawRead(HKEY_CURRENT_USER, kRawRunKey, kNeighbour), neighbour);

  // An entry written by someone else counts whatever it holds.
  RawWrite(HKEY_CURRENT_USER, kRawRunKey, L"lintrove", {REG_EXPAND_SZ, {}});
  EXPECT_TRUE(entry.Exists());
}

}  // namespace
}  // namespace lintrove::platform
