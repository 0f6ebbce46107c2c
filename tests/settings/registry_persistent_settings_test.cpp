#include "settings/registry_persistent_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/date_time.h"
#include "base/error.h"
#include "platform/posix/posix_registry.h"
#include "settings_test_support.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

namespace RegType = platform::RegType;
using ::testing::ElementsAre;

enum class Shade : std::uint8_t { Light, Dark };

// One property of every kind, in an order the tests can see.
class SampleSettings : public PublishedClass<SampleSettings, RegistryPersistentSettings> {
 public:
  static constexpr std::string_view kClassName = "TSampleSettings";

  explicit SampleSettings(platform::RegistryBackend& backend)
      : PublishedClass(platform::RootKey::CurrentUser, backend) {}

  void LoadCustom(platform::Registry& registry) override {
    customKeyOpenOnLoad = registry.HasCurrentKey();
    if (registry.ValueExists("extra")) extra = registry.ReadString("extra");
  }
  void SaveCustom(platform::Registry& registry) override { registry.WriteString("extra", extra); }

  std::int32_t int_count = 5;
  bool bol_flag = false;
  DateTime dat_when = -1.0;
  std::string str_name = "vorgabe";
  std::string str_wide = "breit";
  Shade shade = Shade::Light;
  std::string extra = "zusatz";
  bool customKeyOpenOnLoad = false;

  static constexpr std::array kPublished{
      Publish<&SampleSettings::int_count>("int_count"),
      Publish<&SampleSettings::bol_flag>("bol_flag"),
      Publish<&SampleSettings::dat_when>("dat_when"),
      Publish<&SampleSettings::str_name>("str_name"),
      Publish<&SampleSettings::str_wide>("str_wide", PropertyKind::WideText),
      Publish<&SampleSettings::shade>("shade"),
  };
};

class RegistryPersistentSettingsTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  platform::PosixRegistry backend_{dir_.Path()};
  test::SettingsKeyAccess key_{backend_, platform::RootKey::CurrentUser};
};

TEST_F(RegistryPersistentSettingsTest, LoadWithoutKeyKeepsDefaultsAndStillCallsLoadCustom) {
  SampleSettings settings(backend_);
  settings.Load();
  EXPECT_EQ(settings.int_count, 5);
  EXPECT_FALSE(settings.bol_flag);
  EXPECT_EQ(settings.dat_when, -1.0);
  EXPECT_EQ(settings.str_name, "vorgabe");
  EXPECT_EQ(settings.extra, "zusatz");
  EXPECT_FALSE(settings.customKeyOpenOnLoad);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "HKEY_CURRENT_USER.reg"));
}

// Each stored kind in its registry form; wide text and enumerations are not stored.
TEST_F(RegistryPersistentSettingsTest, SaveWritesEachStoredKindInItsRegistryForm) {
  SampleSettings settings(backend_);
  settings.int_count = -2;
  settings.bol_flag = true;
  settings.str_name = "";
  settings.Save();

  EXPECT_THAT(key_.Names(), ElementsAre("int_count", "bol_flag", "dat_when", "str_name", "extra"));
  struct Expected {
    std::string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  const std::vector<Expected> expected = {
      {"int_count", RegType::Dword, {0xFE, 0xFF, 0xFF, 0xFF}},
      {"bol_flag", RegType::Dword, {1, 0, 0, 0}},
      {"dat_when", RegType::Binary, {0, 0, 0, 0, 0, 0, 0xF0, 0xBF}},
      {"str_name", RegType::Sz, {0, 0}},
  };
  for (const Expected& value : expected) {
    SCOPED_TRACE(value.name);
    auto stored = key_.Get(value.name);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, value.type);
    EXPECT_EQ(stored->data, value.data);
  }
}

TEST_F(RegistryPersistentSettingsTest, SavedValuesLoadBackIntoAFreshObject) {
  SampleSettings saved(backend_);
  saved.int_count = -123456;
  saved.bol_flag = true;
  saved.dat_when = 46000.75;
  saved.str_name = "Grüße – ☃";
  saved.str_wide = "nicht gespeichert";
  saved.shade = Shade::Dark;
  saved.extra = "mehr";
  saved.Save();

  SampleSettings loaded(backend_);
  loaded.Load();
  EXPECT_EQ(loaded.int_count, -123456);
  EXPECT_TRUE(loaded.bol_flag);
  EXPECT_EQ(loaded.dat_when, 46000.75);
  EXPECT_EQ(loaded.str_name, "Grüße – ☃");
  EXPECT_EQ(loaded.str_wide, "breit");
  EXPECT_EQ(loaded.shade, Shade::Light);
  EXPECT_EQ(loaded.extra, "mehr");
  EXPECT_TRUE(loaded.customKeyOpenOnLoad);
}

TEST_F(RegistryPersistentSettingsTest, AnyNonZeroDwordIsTrueAndIsSavedBackAsOne) {
  key_.Put("bol_flag", RegType::Dword, test::Dword(2));
  SampleSettings settings(backend_);
  settings.Load();
  EXPECT_TRUE(settings.bol_flag);
  settings.Save();
  EXPECT_EQ(key_.Get("bol_flag")->data, test::Dword(1));
}

// Values that are no stored property are neither read nor removed; an expandable string is
// read unexpanded.
TEST_F(RegistryPersistentSettingsTest, ForeignValuesAreLeftAlone) {
  key_.Put("shade", RegType::Dword, test::Dword(1));
  key_.Put("str_wide", RegType::Sz, test::Sz(u"gespeichert"));
  key_.Put("fremd", RegType::Sz, test::Sz(u"bleibt"));
  key_.Put("str_name", RegType::ExpandSz, test::Sz(u"%TEMP%\\x"));
  SampleSettings settings(backend_);
  settings.Load();
  EXPECT_EQ(settings.shade, Shade::Light);
  EXPECT_EQ(settings.str_wide, "breit");
  EXPECT_EQ(settings.str_name, "%TEMP%\\x");
  settings.Save();
  EXPECT_EQ(key_.Get("fremd")->data, test::Sz(u"bleibt"));
  EXPECT_EQ(key_.Get("str_wide")->data, test::Sz(u"gespeichert"));
  EXPECT_EQ(key_.Get("shade")->data, test::Dword(1));
  EXPECT_EQ(key_.Get("str_name")->type, RegType::Sz);
}

// A value of the wrong type stops Load with the registry's message; the properties before it
// are set, those after it keep their values.
TEST_F(RegistryPersistentSettingsTest, WrongStoredTypesRaiseTheRegistryMessage) {
  struct Case {
    std::string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"bol_flag", RegType::Sz, test::Sz(u"1"), "Ungültiger Datentyp für 'bol_flag'"},
      {"bol_flag", RegType::Dword, std::vector<std::uint8_t>(8),
       "Fehler beim Holen der Daten für 'bol_flag'"},
      {"bol_flag", RegType::Binary, {1, 0, 0, 0}, "Ungültiger Datentyp für 'bol_flag'"},
      {"dat_when", RegType::Binary, {0, 0, 0, 0}, "Ungültiger Datentyp für 'dat_when'"},
      {"dat_when", RegType::Binary, std::vector<std::uint8_t>(9),
       "Fehler beim Holen der Daten für 'dat_when'"},
      {"dat_when", RegType::Qword, std::vector<std::uint8_t>(8),
       "Ungültiger Datentyp für 'dat_when'"},
      {"str_name", RegType::Dword, test::Dword(7), "Ungültiger Datentyp für 'str_name'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " " + c.message);
    test::TempDir dir;
    platform::PosixRegistry backend(dir.Path());
    test::SettingsKeyAccess key(backend, platform::RootKey::CurrentUser);
    key.Put("int_count", RegType::Dword, test::Dword(42));
    key.Put("str_name", RegType::Sz, test::Sz(u"gelesen"));
    key.Put("extra", RegType::Sz, test::Sz(u"gelesen"));
    key.Put(c.name, c.type, c.data);

    SampleSettings settings(backend);
    try {
      settings.Load();
      ADD_FAILURE() << "Load raised nothing";
    } catch (const Error& error) {
      EXPECT_EQ(error.what(), c.message);
    }
    EXPECT_EQ(settings.int_count, 42);
    EXPECT_EQ(settings.str_name, "vorgabe");
    EXPECT_EQ(settings.extra, "zusatz") << "LoadCustom must not run after a failure";
  }
}

// A store that cannot be written fails Save with the store's message.
TEST_F(RegistryPersistentSettingsTest, SaveReportsAStoreThatCannotBeWritten) {
  test::WriteFileBytes(dir_ / "not-a-directory", "");
  platform::PosixRegistry backend(dir_ / "not-a-directory");
  SampleSettings settings(backend);
  EXPECT_THROW(settings.Save(), Error);
}

}  // namespace
}  // namespace lintrove
