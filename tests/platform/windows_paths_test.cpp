#include <gtest/gtest.h>

#include <optional>

#include "platform/posix/drive_map.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

namespace fs = std::filesystem;

// The file a path leads to, whatever links it passes: a drive is reached through its link.
std::optional<fs::path> Canonical(const std::optional<fs::path>& path) {
  if (!path) return std::nullopt;
  return fs::canonical(*path);
}

// A Wine prefix as wineboot leaves it: drive C: in drive_c, Z: the whole file system, and the
// device entries ("c::") and links to missing folders that a real prefix may hold.
class WindowsPathsTest : public ::testing::Test {
 protected:
  WindowsPathsTest() {
    fs::create_directories(prefix_ / "dosdevices");
    fs::create_directories(drive_c_);
    fs::create_symlink("../drive_c", prefix_ / "dosdevices" / "c:");
    fs::create_symlink("/", prefix_ / "dosdevices" / "z:");
    fs::create_symlink("/dev/sda1", prefix_ / "dosdevices" / "c::");
    fs::create_symlink("../missing", prefix_ / "dosdevices" / "d:");
  }

  fs::path File(const fs::path& relative) {
    fs::create_directories((drive_c_ / relative).parent_path());
    test::WriteFileBytes(drive_c_ / relative, relative.string());
    return drive_c_ / relative;
  }

  test::TempDir dir_;
  fs::path prefix_ = dir_ / "prefix";
  fs::path drive_c_ = prefix_ / "drive_c";
};

TEST_F(WindowsPathsTest, WindowsPathsFindTheFilesOfTheWineDrives) {
  const fs::path app = File("Program Files/App/App.exe");
  const fs::path upper_tools = File("Tools/tool.exe");
  const fs::path lower_tools = File("tools/Tool.exe");
  const fs::path umlauts = File("Ärger/Öl.exe");
  fs::create_directories(drive_c_ / "Empty");
  const DriveMap drives = DriveMap::FromWinePrefix(prefix_);

  struct Case {
    std::string windows_path;
    std::optional<fs::path> local;
  };
  const Case cases[] = {
      {"C:\\Program Files\\App\\App.exe", app},
      {"c:\\PROGRAM FILES\\app\\app.EXE", app},
      {"C:/Program Files/App/App.exe", app},
      {"C:\\Program Files\\.\\App\\..\\App\\\\App.exe", app},
      {"C:\\..\\..\\Program Files\\App\\App.exe", app},
      {"\\\\?\\C:\\Program Files\\App\\App.exe", app},
      {"C:Program Files\\App\\App.exe", app},
      {"Z:" + app.string(), app},
      // Two names that differ only in case: the exact one, else the first in sorted order.
      {"C:\\tools\\Tool.exe", lower_tools},
      {"C:\\Tools\\tool.exe", upper_tools},
      {"C:\\TOOLS\\TOOL.EXE", upper_tools},
      {"C:\\ärger\\öL.EXE", umlauts},
      // Names no file.
      {"C:\\Program Files\\App", std::nullopt},
      {"C:\\Program Files\\App\\App.exe\\", std::nullopt},
      {"C:\\Empty", std::nullopt},
      {"C:\\", std::nullopt},
      {"C:\\Program Files\\App\\App.exe\" /S", std::nullopt},
      {"C:\\Program Files\\App\\App.ex?", std::nullopt},
      {"C:\\Program Files\\App\\Missing.exe", std::nullopt},
      {"D:\\App.exe", std::nullopt},
      {"E:\\App.exe", std::nullopt},
      {"\\\\server\\share\\App.exe", std::nullopt},
      {"\\Program Files\\App\\App.exe", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& test_case : cases) {
    EXPECT_EQ(Canonical(drives.ExistingFile(test_case.windows_path)), Canonical(test_case.local))
        << test_case.windows_path;
  }
}

TEST_F(WindowsPathsTest, ARelativePathCountsFromTheCurrentDirectory) {
  const fs::path app = File("App/App.exe");
  const fs::path previous = fs::current_path();
  fs::current_path(drive_c_);
  const auto found = DriveMap().ExistingFile("app\\APP.exe");
  fs::current_path(previous);
  EXPECT_EQ(Canonical(found), Canonical(app));
}

TEST_F(WindowsPathsTest, APrefixWithoutDrivesMapsNothing) {
  const fs::path app = File("App/App.exe");
  EXPECT_EQ(DriveMap::FromWinePrefix(dir_ / "no-prefix").ExistingFile("C:\\App\\App.exe"),
            std::nullopt);
  DriveMap drives;
  drives.Map('c', drive_c_);
  EXPECT_EQ(drives.ExistingFile("C:\\App\\App.exe"), app);
}

}  // namespace
}  // namespace lintrove::platform
