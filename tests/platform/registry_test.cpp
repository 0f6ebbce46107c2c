#include "platform/registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "base/error.h"
#ifdef _WIN32
#include "platform/system_info.h"
#else
#include "platform/posix/posix_registry.h"
#include "support/temp_dir.h"
#endif

namespace lintrove::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::literals;

#ifndef _WIN32
bool RunsUnderWine() { return false; }
#endif

// The tests run on the platform's registry: on Linux a store in a temporary directory, on
// Windows the system's own. Their keys lie below LintroveTests, which goes when a test ends.
class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() { RemoveTestKeys(); }
  ~RegistryTest() override { RemoveTestKeys(); }

  static std::string UserKey(std::string_view path) {
    return "\\Software\\LintroveTests" + std::string(path);
  }
  static std::string MachineKey(std::string_view path) {
    return "\\SOFTWARE\\LintroveTests" + std::string(path);
  }
  static constexpr std::string_view kSharedInstallerKey =
      "\\SOFTWARE\\Classes\\Installer\\Products\\LintroveTests";

  // Puts a raw value in place, as any other writer of the registry could have.
  void PutValue(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data) {
    Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
    ASSERT_TRUE(registry.OpenKey(UserKey("\\Test"), true));
    registry.WriteValue(name, type, data);
  }

  void RemoveTestKeys() {
    Registry(RootKey::CurrentUser, RegistryView::Default, backend_).DeleteKey(UserKey(""));
    for (RegistryView view : {RegistryView::Wow64_64, RegistryView::Wow64_32}) {
      Registry machine(RootKey::LocalMachine, view, backend_);
      machine.DeleteKey(MachineKey(""));
      machine.DeleteKey(kSharedInstallerKey);
    }
  }

#ifdef _WIN32
  RegistryBackend& backend_ = SystemRegistry();
#else
  test::TempDir dir_;
  PosixRegistry backend_{dir_.Path()};
#endif
};

std::vector<std::uint8_t> Utf16(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

// Typed reads behave like the Windows registry object: an oversized value cannot be fetched,
// a value of another type is an invalid data type.
TEST_F(RegistryTest, TypedReadsCheckTypeAndSize) {
  struct Case {
    std::string label;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::string asString, asInteger, asFloat;
  };
  const std::string holen = "Fehler beim Holen der Daten für 'v'";
  const std::string typ = "Ungültiger Datentyp für 'v'";
  const std::vector<Case> cases = {
      {"sz", RegType::Sz, Utf16(u"Abc\0"sv), "Abc", holen, typ},
      {"sz ends at first NUL", RegType::Sz, Utf16(u"ab\0cd\0"sv), "ab", holen, holen},
      {"sz without NUL", RegType::Sz, Utf16(u"xy"sv), "xy", typ, typ},
      {"expand sz unexpanded", RegType::ExpandSz, Utf16(u"%ProgramFiles%\\A\0"sv),
       "%ProgramFiles%\\A", holen, holen},
      {"dword", RegType::Dword, {0xFF, 0xFF, 0xFF, 0xFF}, typ, "-1", typ},
      {"short dword", RegType::Dword, {7}, typ, "7", typ},
      {"long dword", RegType::Dword, {1, 0, 0, 0, 0, 0, 0, 0}, typ, holen, typ},
      {"binary of 8", RegType::Binary, {0, 0, 0, 0, 0, 0, 0xF0, 0xBF}, typ, holen, "-1"},
      {"binary of 4", RegType::Binary, {1, 2, 3, 4}, typ, typ, typ},
      {"binary of 9", RegType::Binary, std::vector<std::uint8_t>(9), typ, holen, holen},
      {"empty binary", RegType::Binary, {}, "", typ, typ},
      {"big-endian dword", RegType::DwordBigEndian, {0, 0, 0, 1}, typ, typ, typ},
      {"qword", RegType::Qword, std::vector<std::uint8_t>(8), typ, holen, typ},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PutValue("v", c.type, c.data);
    Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
    ASSERT_TRUE(registry.OpenKeyReadOnly(UserKey("\\Test")));
    auto read = [&](auto reader) {
      try {
        return reader();
      } catch (const Error& error) {
        return std::string(error.what());
      }
    };
    EXPECT_EQ(read([&] { return registry.ReadString("v"); }), c.asString);
    EXPECT_EQ(read([&] { return std::to_string(registry.ReadInteger("v")); }), c.asInteger);
    EXPECT_EQ(read([&] {
                std::ostringstream text;
                text << registry.ReadFloat("v");
                return text.str();
              }),
              c.asFloat);
  }
}

TEST_F(RegistryTest, MissingValuesAndKeys) {
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
  EXPECT_FALSE(registry.OpenKeyReadOnly(UserKey("\\Nowhere")));
  EXPECT_FALSE(registry.HasCurrentKey());
  EXPECT_FALSE(registry.ValueExists("v"));
  EXPECT_EQ(registry.ReadString("v"), "");
  EXPECT_EQ(ErrorOf([&] { registry.ReadInteger("v"); }), "Fehler beim Holen der Daten für 'v'");
  EXPECT_EQ(ErrorOf([&] { registry.WriteInteger("v", 1); }),
            "Fehler beim Setzen der Daten für 'v'");
  EXPECT_TRUE(registry.GetKeyNames().empty());

  ASSERT_TRUE(registry.OpenKey(UserKey("\\Test"), true));
  EXPECT_EQ(registry.ReadString("absent"), "");
  EXPECT_FALSE(registry.GetDataType("absent").has_value());
}

TEST_F(RegistryTest, WritesThroughAReadOnlyKeyAreRefused) {
  PutValue("v", RegType::Dword, {1, 0, 0, 0});
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
  ASSERT_TRUE(registry.OpenKeyReadOnly(UserKey("\\Test")));
  EXPECT_EQ(ErrorOf([&] { registry.WriteString("lintrove", "x"); }),
            "Fehler beim Setzen der Daten für 'lintrove'");
  EXPECT_FALSE(registry.DeleteValue("v"));
  EXPECT_EQ(registry.ReadInteger("v"), 1);
}

TEST_F(RegistryTest, WrittenValuesHaveTheStoredFormsOfWindows) {
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
  ASSERT_TRUE(registry.OpenKey(UserKey("\\Dorv\\Lintrove"), true));
  registry.WriteString("s", "Grüße");
  registry.WriteString("empty", "");
  registry.WriteInteger("i", -2);
  registry.WriteFloat("d", -1.0);
  EXPECT_EQ(registry.ReadValue("s")->data, Utf16(u"Grüße\0"sv));
  EXPECT_EQ(registry.ReadValue("empty")->data, Utf16(u"\0"sv));
  EXPECT_EQ(registry.ReadValue("i")->data, (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(registry.ReadValue("d")->type, RegType::Binary);
  EXPECT_EQ(registry.ReadValue("d")->data,
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0xF0, 0xBF}));
  EXPECT_EQ(registry.ReadString("empty"), "");
  EXPECT_EQ(registry.ReadFloat("d"), -1.0);
}

TEST_F(RegistryTest, PathsAreAbsoluteWithABackslashAndRelativeWithout) {
  Registry registry(RootKey::LocalMachine, RegistryView::Default, backend_);
  ASSERT_TRUE(registry.OpenKey(MachineKey("\\A\\"), true));
  EXPECT_EQ(registry.CurrentPath(), "SOFTWARE\\LintroveTests\\A");
  ASSERT_TRUE(registry.OpenKey("B\\C", true));
  EXPECT_EQ(registry.CurrentPath(), "SOFTWARE\\LintroveTests\\A\\B\\C");
  EXPECT_TRUE(registry.KeyExists("\\software\\lintrovetests\\a\\b"));
  EXPECT_FALSE(registry.OpenKey(MachineKey("\\\\A"), true));
  EXPECT_FALSE(registry.HasCurrentKey());
}

TEST_F(RegistryTest, NamesIgnoreCaseKeepTheirCaseAndEnumerateInWindowsOrder) {
  Registry registry(RootKey::LocalMachine, RegistryView::Default, backend_);
  for (const char* name : {"beta", "Alpha", "A_b", "AZ", "{B}", "a1"}) {
    ASSERT_TRUE(registry.OpenKey(MachineKey("\\Keys\\") + name, true));
  }
  ASSERT_TRUE(registry.OpenKey("\\software\\lintrovetests\\KEYS", false));
  // Windows sorts by upper case, so "AZ" comes before "A_b"; Wine sorts by lower case.
  if (RunsUnderWine()) {
    EXPECT_THAT(registry.GetKeyNames(), ElementsAre("a1", "A_b", "Alpha", "AZ", "beta", "{B}"));
  } else {
    EXPECT_THAT(registry.GetKeyNames(), ElementsAre("a1", "Alpha", "AZ", "A_b", "beta", "{B}"));
  }
  registry.WriteString("DisplayName", "x");
  registry.WriteString("DISPLAYNAME", "y");
  EXPECT_THAT(registry.GetValueNames(), ElementsAre("DisplayName"));
  EXPECT_EQ(registry.ReadString("displayname"), "y");
}

TEST_F(RegistryTest, ViewsAreThoseOf64BitWindows) {
  auto write = [&](RootKey root, RegistryView view, std::string key) {
    Registry registry(root, view, backend_);
    ASSERT_TRUE(registry.OpenKey(key, true));
    registry.WriteInteger("v", 1);
  };
  auto exists = [&](RootKey root, std::string key, RegistryView view = RegistryView::Wow64_64) {
    return Registry(root, view, backend_).KeyExists(key);
  };
  write(RootKey::LocalMachine, RegistryView::Wow64_32, MachineKey("\\Vendor32"));
  write(RootKey::LocalMachine, RegistryView::Wow64_64, MachineKey("\\Vendor64"));
  write(RootKey::CurrentUser, RegistryView::Wow64_32, UserKey("\\User"));
  EXPECT_TRUE(exists(RootKey::LocalMachine, "\\SOFTWARE\\WOW6432Node\\LintroveTests\\Vendor32"));
  EXPECT_FALSE(exists(RootKey::LocalMachine, MachineKey("\\Vendor32")));
  EXPECT_TRUE(exists(RootKey::LocalMachine, MachineKey("\\Vendor64")));
  EXPECT_TRUE(exists(RootKey::CurrentUser, UserKey("\\User")));
  // The default view is the program's own: the 32-bit one only for a 32-bit program on Windows.
  constexpr bool k32BitProgram = sizeof(void*) == 4;
  EXPECT_EQ(exists(RootKey::LocalMachine, MachineKey("\\Vendor64"), RegistryView::Default),
            !k32BitProgram);
  EXPECT_EQ(exists(RootKey::LocalMachine, MachineKey("\\Vendor32"), RegistryView::Default),
            k32BitProgram);
  // Windows 7 and later share the installer's registrations between the views; Wine 8 keeps
  // a 32-bit copy of HKLM\SOFTWARE\Classes.
  if (!RunsUnderWine()) {
    write(RootKey::LocalMachine, RegistryView::Wow64_32, std::string(kSharedInstallerKey));
    EXPECT_TRUE(exists(RootKey::LocalMachine, std::string(kSharedInstallerKey)));
  }

  Registry view32(RootKey::LocalMachine, RegistryView::Wow64_32, backend_);
  EXPECT_TRUE(view32.KeyExists(MachineKey("\\Vendor32")));
  EXPECT_FALSE(view32.KeyExists(MachineKey("\\Vendor64")));
  EXPECT_TRUE(view32.KeyExists("\\SOFTWARE\\WOW6432Node\\LintroveTests\\Vendor32"));
}

TEST_F(RegistryTest, DeletingAKeyInOneViewLeavesTheOtherViewsKey) {
  for (RegistryView view : {RegistryView::Wow64_32, RegistryView::Wow64_64}) {
    Registry registry(RootKey::LocalMachine, view, backend_);
    ASSERT_TRUE(registry.OpenKey(MachineKey("\\Vendor\\Sub"), true));
    registry.WriteInteger("v", 1);
  }
  Registry view32(RootKey::LocalMachine, RegistryView::Wow64_32, backend_);
  EXPECT_TRUE(view32.DeleteKey(MachineKey("\\Vendor")));
  EXPECT_FALSE(view32.KeyExists(MachineKey("\\Vendor")));
  Registry view64(RootKey::LocalMachine, RegistryView::Wow64_64, backend_);
  EXPECT_TRUE(view64.KeyExists(MachineKey("\\Vendor\\Sub")));
}

TEST_F(RegistryTest, DeletingAKeyTakesItsSubtree) {
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
  ASSERT_TRUE(registry.OpenKey(UserKey("\\Dorv\\Lintrove\\ignore"), true));
  registry.WriteInteger("x", 1);
  registry.CloseKey();
  EXPECT_TRUE(registry.DeleteKey(UserKey("\\Dorv")));
  EXPECT_FALSE(registry.KeyExists(UserKey("\\Dorv\\Lintrove\\ignore")));
  EXPECT_TRUE(registry.KeyExists(UserKey("")));
  EXPECT_FALSE(registry.DeleteKey(UserKey("\\Dorv")));
  EXPECT_FALSE(registry.DeleteKey("\\"));
}

TEST_F(RegistryTest, AKeyDeletedWhileOpenRefusesWrites) {
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend_);
  ASSERT_TRUE(registry.OpenKey(UserKey("\\Gone"), true));
  registry.WriteInteger("v", 1);
  // Read through the open key first, so that it has found its key before it goes.
  EXPECT_TRUE(registry.ValueExists("v"));
  EXPECT_TRUE(
      Registry(RootKey::CurrentUser, RegistryView::Default, backend_).DeleteKey(UserKey("\\Gone")));
  EXPECT_EQ(ErrorOf([&] { registry.WriteInteger("v", 2); }),
            "Fehler beim Setzen der Daten für 'v'");
  EXPECT_FALSE(registry.ValueExists("v"));
  EXPECT_FALSE(registry.KeyExists(UserKey("\\Gone")));
}

}  // namespace
}  // namespace lintrove::platform
