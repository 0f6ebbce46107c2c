#include "flows/status_filter.h"

#include <gtest/gtest.h>

#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

constexpr ProgramStatus kAllStatuses[] = {ProgramStatus::Unknown, ProgramStatus::Unsupported,
                                          ProgramStatus::Current, ProgramStatus::NewVersion};

// Each button alone shows its own status and nothing else.
TEST(StatusFilterTest, EachButtonShowsExactlyItsStatus) {
  const struct {
    StatusFilter filter;
    ProgramStatus shown;
  } cases[] = {
      {{.unknown = true, .unsupported = false, .current = false, .new_version = false},
       ProgramStatus::Unknown},
      {{.unknown = false, .unsupported = true, .current = false, .new_version = false},
       ProgramStatus::Unsupported},
      {{.unknown = false, .unsupported = false, .current = true, .new_version = false},
       ProgramStatus::Current},
      {{.unknown = false, .unsupported = false, .current = false, .new_version = true},
       ProgramStatus::NewVersion},
  };
  for (const auto& c : cases) {
    for (ProgramStatus status : kAllStatuses) {
      EXPECT_EQ(c.filter.Shows(status), status == c.shown)
          << "button of status " << int(c.shown) << ", entry of status " << int(status);
    }
  }
}

TEST(StatusFilterTest, DefaultsShowUnknownAndNewVersionAndNoFilterShowsAStrangeStatus) {
  const StatusFilter defaults;
  EXPECT_TRUE(defaults.Shows(ProgramStatus::Unknown));
  EXPECT_FALSE(defaults.Shows(ProgramStatus::Unsupported));
  EXPECT_FALSE(defaults.Shows(ProgramStatus::Current));
  EXPECT_TRUE(defaults.Shows(ProgramStatus::NewVersion));

  const StatusFilter everything{true, true, true, true};
  EXPECT_FALSE(everything.Shows(static_cast<ProgramStatus>(4)));
  EXPECT_FALSE(everything.Shows(static_cast<ProgramStatus>(255)));
  const StatusFilter nothing{false, false, false, false};
  for (ProgramStatus status : kAllStatuses) EXPECT_FALSE(nothing.Shows(status));
}

// Through the stored settings, so that a button bound to the wrong value name shows: each
// button alone is stored, read back into fresh settings and compared.
TEST(StatusFilterTest, EachButtonTravelsThroughItsOwnSetting) {
  test::TempDir dir;
  platform::PosixRegistry registry(dir / "registry");
  platform::XdgLogonEntry logon("lintrove", dir / "autostart");
  const struct {
    StatusFilter filter;
    bool ClientSettings::*setting;
  } cases[] = {
      {{true, false, false, false}, &ClientSettings::bol_unknown},
      {{false, true, false, false}, &ClientSettings::bol_nicht_unterstuetzt},
      {{false, false, true, false}, &ClientSettings::bol_uptodate},
      {{false, false, false, true}, &ClientSettings::bol_updatesbekannt},
  };
  for (const auto& c : cases) {
    ClientSettings stored(registry, logon);
    c.filter.StoreIn(stored);
    EXPECT_TRUE(stored.*c.setting);
    EXPECT_EQ(stored.bol_unknown + stored.bol_nicht_unterstuetzt + stored.bol_uptodate +
                  stored.bol_updatesbekannt,
              1);
    stored.SaveValues();

    ClientSettings loaded(registry, logon);
    loaded.LoadValues();
    EXPECT_EQ(StatusFilter::FromSettings(loaded), c.filter);
  }
}

TEST(StatusFilterTest, DefaultsAreThoseOfFreshSettings) {
  test::TempDir dir;
  platform::PosixRegistry registry(dir.Path());
  platform::XdgLogonEntry logon("lintrove", dir / "autostart");
  EXPECT_EQ(StatusFilter::FromSettings(ClientSettings(registry, logon)), StatusFilter{});
}

}  // namespace
}  // namespace lintrove
