#include "inventory/program_icons.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "inventory/installer_program.h"
#include "inventory/registry_program.h"
#include "platform/pe_icon_files.h"
#include "platform/posix/posix_machine_files.h"
#include "platform/posix/posix_registry.h"
#include "support/temp_dir.h"

namespace lintrove {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using platform::ResourceName;

// Every icon of the machine, each told apart by its image's text.
const Bytes kMain = test::Ico({"MAIN-16", "MAIN-32"});
const Bytes kOne = test::Ico({"ONE"});
const Bytes kFive = test::Ico({"FIVE"});
const Bytes k154 = test::Ico({"ONE-FIVE-FOUR"});
const Bytes kProgramFiles = test::Ico({"PROGRAM-FILES"});
const Bytes kUninstaller = test::Ico({"UNINSTALLER"});
const Bytes kShell154 = test::Ico({"SHELL-154"});
const Bytes kInstaller = test::Ico({"MSIEXEC"});
const Bytes kIcoFile = test::Ico({"ICO-FILE-16", "ICO-FILE-32"});

// A Windows machine in a Wine prefix: drive C: with programs whose files hold icons, and a
// registry that keeps the system folder in upper case, as old Windows did, while the folder on
// disk is in lower case.
class ProgramIconsTest : public ::testing::Test {
 protected:
  ProgramIconsTest() {
    fs::create_directories(dir_ / "prefix" / "dosdevices");
    fs::create_directories(drive_c_);
    fs::create_symlink("../drive_c", dir_ / "prefix" / "dosdevices" / "c:");
    fs::create_directories(dir_ / "registry");
    test::WriteFileBytes(dir_ / "registry" / "HKEY_LOCAL_MACHINE.reg",
                         "Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
                         "\"SystemRoot\"=\"C:\\\\WINDOWS\"\r\n\r\n");
    registry_ = std::make_unique<platform::PosixRegistry>(dir_ / "registry");
    machine_ = std::make_unique<platform::PosixMachineFiles>(
        *registry_, platform::DriveMap::FromWinePrefix(dir_ / "prefix"), "anna");

    Module("App/app.exe", {{u"MAINICON", kMain},
                           {std::uint16_t{1}, kOne},
                           {std::uint16_t{5}, kFive},
                           {std::uint16_t{154}, k154}});
    Module("Program Files/App/app.exe", {{std::uint16_t{1}, kProgramFiles}});
    Module("Program Files/App/uninstall.exe", {{std::uint16_t{1}, kUninstaller}});
    Module("Tools,Old/app.exe", {{std::uint16_t{1}, kOne}});
    Module("windows/system32/shell32.dll",
           {{std::uint16_t{3}, kOne}, {std::uint16_t{154}, kShell154}});
    Module("windows/system32/msiexec.exe", {{std::uint16_t{1}, kInstaller}});
    File("App/app.ico", kIcoFile);
    File("App/readme.txt", "Read me: no icon here.");
    File("App/damaged.exe", "MZ and nothing a program has");
  }

  void File(const fs::path& relative, std::string_view bytes) {
    fs::create_directories((drive_c_ / relative).parent_path());
    test::WriteFileBytes(drive_c_ / relative, bytes);
  }
  void File(const fs::path& relative, const Bytes& bytes) {
    File(relative, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  void Module(const fs::path& relative, std::vector<std::pair<ResourceName, Bytes>> groups) {
    File(relative, test::ModuleWithIcons(groups));
  }

  static std::optional<Bytes> BytesOf(const std::unique_ptr<ProgramIcon>& icon) {
    if (!icon) return std::nullopt;
    return icon->IcoBytes();
  }

  test::TempDir dir_;
  fs::path drive_c_ = dir_ / "prefix" / "drive_c";
  std::unique_ptr<platform::PosixRegistry> registry_;
  std::unique_ptr<platform::PosixMachineFiles> machine_;
};

TEST_F(ProgramIconsTest, LocationTextsGiveTheIconTheyName) {
  // app.exe's groups in the file's order: MAINICON (named ones first), then 1, 5 and 154.
  struct Case {
    std::string location;
    std::optional<Bytes> icon;
  };
  const Case cases[] = {
      {"C:\\App\\app.exe,2", kFive},
      {"\"C:\\Program Files\\App\\app.exe\",0", kProgramFiles},
      {"\"C:\\Program Files\\App\\app.exe\"", kProgramFiles},
      {"\"C:\\Program Files\\App\\uninstall.exe\" /S", std::nullopt},
      {"MsiExec.exe /X{0D5A2C17-5F3B-4E0C-8B6A-1C2D3E4F5A6B}", std::nullopt},
      {"C:\\Tools,Old\\app.exe", std::nullopt},
      {"C:\\App\\app.exe, 3", k154},
      {"C:\\App\\app.exe,", std::nullopt},
      {"%SystemRoot%\\system32\\shell32.dll,-154", kShell154},
      {"", std::nullopt},
      {"C:\\App\\readme.txt", std::nullopt},
      // The index: a sign, hexadecimal, in range, nothing after it.
      {"C:\\App\\app.exe", kMain},
      {"c:\\app\\APP.EXE,+1", kOne},
      {"C:\\App\\app.exe,0x3", k154},
      {"C:\\App\\app.exe,$2", kFive},
      {"C:\\App\\app.exe,-0x9A", k154},
      {"C:\\App\\app.exe,-5", kFive},
      {"C:\\App\\app.exe,4", std::nullopt},
      {"C:\\App\\app.exe,-7", std::nullopt},
      {"C:\\App\\app.exe,4294967298", std::nullopt},
      {"C:\\App\\app.exe,2 ", std::nullopt},
      {"C:\\App\\app.exe,two", std::nullopt},
      {"C:\\App\\app.exe,0x", std::nullopt},
      {"C:\\App\\app.exe,--2", std::nullopt},
      // -1 is the group numbered 1 like any negative index, never a count of the icons.
      {"C:\\App\\app.exe,-1", kOne},
      // An icon file is its one icon.
      {"C:\\App\\app.ico", kIcoFile},
      {"C:\\App\\app.ico,0", kIcoFile},
      {"C:\\App\\app.ico,1", std::nullopt},
      {"C:\\App\\damaged.exe", std::nullopt},
      {"C:\\App", std::nullopt},
      {"%UNDEFINED%\\app.exe", std::nullopt},
  };
  for (const Case& test_case : cases) {
    EXPECT_EQ(BytesOf(IconFromLocation(test_case.location, *machine_)), test_case.icon)
        << test_case.location;
  }
}

TEST_F(ProgramIconsTest, EachProgramClassTakesItsIconFromItsOwnSource) {
  RegistryProgram with_icon;
  with_icon.DisplayIcon = "C:\\App\\app.exe,2";
  with_icon.UninstallString = "\"C:\\Program Files\\App\\uninstall.exe\"";
  EXPECT_EQ(BytesOf(with_icon.LoadIcon(*machine_)), kFive);

  RegistryProgram uninstaller_only;
  uninstaller_only.UninstallString = "\"C:\\Program Files\\App\\uninstall.exe\"";
  EXPECT_EQ(BytesOf(uninstaller_only.LoadIcon(*machine_)), kUninstaller);

  InstallerProgram product;
  product.product_icon = "C:\\App\\app.ico";
  EXPECT_EQ(BytesOf(product.LoadIcon(*machine_)), kIcoFile);
  product.product_icon.clear();
  EXPECT_EQ(BytesOf(product.LoadIcon(*machine_)), std::nullopt);
}

TEST_F(ProgramIconsTest, GetIconFallsBackToTheInstallersIconThenToTheQuestionMark) {
  RegistryProgram own;
  own.DisplayIcon = "C:\\App\\app.exe,2";
  const ProgramIcon& first = own.GetIcon(*machine_);
  EXPECT_EQ(first.IcoBytes(), kFive);
  // Loaded once: the program file may go, the icon stays.
  fs::remove(drive_c_ / "App" / "app.exe");
  EXPECT_EQ(&own.GetIcon(*machine_), &first);
  EXPECT_EQ(own.GetIcon(*machine_).IcoBytes(), kFive);

  RegistryProgram uninstaller_with_arguments;
  uninstaller_with_arguments.UninstallString = "\"C:\\Program Files\\App\\uninstall.exe\" /S";
  const ProgramIcon& installers = uninstaller_with_arguments.GetIcon(*machine_);
  EXPECT_EQ(installers.IcoBytes(), kInstaller);
  // A program that had none does not look again.
  uninstaller_with_arguments.UninstallString = "C:\\App\\app.ico";
  EXPECT_EQ(&uninstaller_with_arguments.GetIcon(*machine_), &installers);

  fs::remove(drive_c_ / "windows" / "system32" / "msiexec.exe");
  InstallerProgram without_any;
  const ProgramIcon& question_mark = without_any.GetIcon(*machine_);
  const std::span<const std::uint8_t> built_in = QuestionMarkIcoBytes();
  EXPECT_EQ(question_mark.IcoBytes(), Bytes(built_in.begin(), built_in.end()));
  EXPECT_EQ(&without_any.GetIcon(*machine_), &question_mark);
}

TEST_F(ProgramIconsTest, AResourceCompilersIconGroupsReadAsTheIconFileTheyWereMadeOf) {
  fs::create_directories(drive_c_ / "MinGW");
  fs::copy_file(LINTROVE_FIXTURES_DIR "/mingw_icons.dll", drive_c_ / "MinGW" / "icons.dll");
  const std::span<const std::uint8_t> built_in = QuestionMarkIcoBytes();
  const Bytes made_of(built_in.begin(), built_in.end());
  for (std::string_view index : {"0", "1", "-154"}) {
    EXPECT_EQ(BytesOf(IconFromLocation("C:\\MinGW\\icons.dll," + std::string(index), *machine_)),
              made_of)
        << index << "; rebuild the fixture with make_icons_fixture.sh if the icon changed";
  }
  EXPECT_EQ(BytesOf(IconFromLocation("C:\\MinGW\\icons.dll,2", *machine_)), std::nullopt);
}

// Reads a little-endian number of the built-in icon.
std::uint32_t Field(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = value << 8 | bytes[offset + i];
  return value;
}

TEST(QuestionMarkIconTest, IsAnIconOf16And32PixelsWithTransparency) {
  const std::span<const std::uint8_t> ico = QuestionMarkIcoBytes();
  ASSERT_GE(ico.size(), 6u + 2 * 16u);
  EXPECT_EQ(Field(ico, 0, 4), 0x00010000u) << "an icon directory";
  ASSERT_EQ(Field(ico, 4, 2), 2u);
  for (std::size_t entry = 0; entry < 2; ++entry) {
    const std::size_t at = 6 + entry * 16;
    const std::uint32_t pixels = entry == 0 ? 16 : 32;
    EXPECT_EQ(Field(ico, at, 1), pixels);
    EXPECT_EQ(Field(ico, at + 1, 1), pixels);
    EXPECT_EQ(Field(ico, at + 6, 2), 32u) << "bits per pixel, with an alpha channel";
    const std::uint32_t size = Field(ico, at + 8, 4);
    const std::uint32_t offset = Field(ico, at + 12, 4);
    ASSERT_LE(std::uint64_t{offset} + size, ico.size());
    // The image: a bitmap header of the entry's width and twice its height (colour and mask),
    // then the colour pixels, black where anything is drawn.
    EXPECT_EQ(Field(ico, offset + 4, 4), pixels);
    EXPECT_EQ(Field(ico, offset + 8, 4), 2 * pixels);
    std::size_t drawn = 0;
    for (std::size_t pixel = 0; pixel < pixels * pixels; ++pixel) {
      const std::size_t bgra = offset + 40 + pixel * 4;
      EXPECT_EQ(Field(ico, bgra, 3), 0u) << "black";
      if (ico[bgra + 3] != 0) ++drawn;
    }
    // A question mark covers some of the square, far from all of it.
    EXPECT_GT(drawn, pixels * pixels / 10);
    EXPECT_LT(drawn, pixels * pixels / 2);
  }
}

}  // namespace
}  // namespace lintrove
