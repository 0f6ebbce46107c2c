#include "settings/ignore_marks.h"

#include <gtest/gtest.h>

#include "platform/posix/posix_registry.h"
#include "settings/registry_persistent_settings.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

TEST(IgnoreMarksTest, AnyValueOfTheProgramsNameMarksIt) {
  test::TempDir dir;
  platform::PosixRegistry registry(dir.Path());
  EXPECT_FALSE(IgnoreMarks(registry).IsIgnored("KToolTool1.0"));  // no key at all

  IgnoreMarks::SetIgnored("KToolTool1.0", true, registry);
  {
    platform::Registry key(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                           registry);
    ASSERT_TRUE(key.OpenKey(IgnoreKey, false));
    EXPECT_EQ(key.ReadInteger("KToolTool1.0"), 1);
    key.WriteString("Other", "");  // a value of another type marks as well
    key.CloseKey();
  }
  const IgnoreMarks marks(registry);
  EXPECT_TRUE(marks.IsIgnored("KToolTool1.0"));
  EXPECT_TRUE(marks.IsIgnored("Other"));
  EXPECT_FALSE(marks.IsIgnored("KToolTool1.1"));
  EXPECT_FALSE(marks.IsIgnored(""));

  IgnoreMarks::SetIgnored("KToolTool1.0", false, registry);
  IgnoreMarks::SetIgnored("never marked", false, registry);
  EXPECT_FALSE(IgnoreMarks(registry).IsIgnored("KToolTool1.0"));
  EXPECT_TRUE(IgnoreMarks(registry).IsIgnored("Other"));
}

}  // namespace
}  // namespace lintrove
