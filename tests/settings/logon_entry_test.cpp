#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "platform/posix/xdg_logon_entry.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

using ::testing::HasSubstr;

// The program's path quoted where the desktop needs it, with both layers of escaping.
TEST(DesktopExecValueTest, QuotesAndEscapesByTheDesktopEntryRules) {
  struct Case {
    std::string program;
    std::string exec;
  };
  const std::vector<Case> cases = {
      {"/usr/bin/lintrove", "/usr/bin/lintrove /reminder"},
      {"/opt/Mein Programm/lintrove", "\"/opt/Mein Programm/lintrove\" /reminder"},
      {"/opt/a\"b$c`d/lintrove", "\"/opt/a\\\\\"b\\\\$c\\\\`d/lintrove\" /reminder"},
      {"/opt/back\\slash/lintrove", "\"/opt/back\\\\\\\\slash/lintrove\" /reminder"},
      {"/opt/100%/lintrove", "/opt/100%%/lintrove /reminder"},
      {"/opt/ümlaut/lintrove", "/opt/ümlaut/lintrove /reminder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    EXPECT_EQ(DesktopExecValue({c.program, {"/reminder"}}), c.exec);
  }
}

// Sets an environment variable for its scope and brings back the old value.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Apply(value);
  }
  ~ScopedEnvironment() { Apply(old_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void Apply(const std::optional<std::string>& value) {
    if (value) {
      setenv(name_, value->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  const char* name_;
  std::optional<std::string> old_;
};

TEST(DefaultAutostartDirectoryTest, FollowsXdgConfigHomeWhenItIsAbsolute) {
  ScopedEnvironment home("HOME", "/home/anna");
  {
    ScopedEnvironment config("XDG_CONFIG_HOME", "/tmp/konfig");
    EXPECT_EQ(DefaultAutostartDirectory(), "/tmp/konfig/autostart");
  }
  {
    ScopedEnvironment config("XDG_CONFIG_HOME", "relativ/konfig");
    EXPECT_EQ(DefaultAutostartDirectory(), "/home/anna/.config/autostart");
  }
  {
    ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(DefaultAutostartDirectory(), "/home/anna/.config/autostart");
  }
}

TEST(XdgLogonEntryTest, WritesReplacesAndRemovesTheAutostartFile) {
  test::TempDir dir;
  XdgLogonEntry entry("lintrove", dir / "config" / "autostart");
  const std::filesystem::path file = dir / "config" / "autostart" / "lintrove.desktop";
  EXPECT_EQ(entry.FilePath(), file);
  EXPECT_FALSE(entry.Exists());
  entry.Remove();  // nothing there: no error

  entry.Write({"/opt/alt/lintrove", {"/reminder"}});
  entry.Write({"/opt/neu/lintrove", {"/reminder"}});
  EXPECT_TRUE(entry.Exists());
  EXPECT_EQ(test::ReadFileBytes(file),
            "[Desktop Entry]\nType=Application\nName=Lintrove\nExec=/opt/neu/lintrove /reminder\n"
            "Terminal=false\nX-GNOME-Autostart-enabled=true\n");
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary file is left behind";

  entry.Remove();
  EXPECT_FALSE(entry.Exists());
  EXPECT_FALSE(std::filesystem::exists(file));
}

// Desktops switch an autostart entry off in the user's copy instead of deleting it.
TEST(XdgLogonEntryTest, AnEntrySwitchedOffCountsAsAbsent) {
  test::TempDir dir;
  XdgLogonEntry entry("lintrove", dir.Path());
  struct Case {
    std::string content;
    bool exists;
  };
  const std::vector<Case> cases = {
      {"[Desktop Entry]\nExec=x /reminder\n", true},
      {"[Desktop Entry]\nHidden=true\n", false},
      {"[Desktop Entry]\nHidden = true\n", false},
      {"[Desktop Entry]\nHidden=false\n", true},
      {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
      {"[Desktop Action x]\nHidden=true\n[Desktop Entry]\nExec=x\n", true},
      {"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    test::WriteFileBytes(entry.FilePath(), c.content);
    EXPECT_EQ(entry.Exists(), c.exists);
  }
}

TEST(XdgLogonEntryTest, TakesTheDirectoryFromTheEnvironmentOnEveryUse) {
  test::TempDir dir;
  XdgLogonEntry entry("lintrove");
  {
    ScopedEnvironment config("XDG_CONFIG_HOME", (dir / "erste").string());
    entry.Write({"/usr/bin/lintrove", {"/reminder"}});
  }
  ScopedEnvironment config("XDG_CONFIG_HOME", (dir / "zweite").string());
  EXPECT_FALSE(entry.Exists());
  entry.Write({"/usr/bin/lintrove", {"/reminder"}});
  EXPECT_TRUE(std::filesystem::exists(dir / "erste" / "autostart" / "lintrove.desktop"));
  EXPECT_TRUE(std::filesystem::exists(dir / "zweite" / "autostart" / "lintrove.desktop"));
}

}  // namespace
}  // namespace lintrove::platform
