#include "platform/posix/wine_prefix_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/registry.h"
#include "platform/wine_prefix.h"
#include "support/error_of.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

namespace fs = std::filesystem;
using test::ErrorOf;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr std::string_view kUninstall = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A prefix's system.reg with one Uninstall entry in each view.
std::string SystemReg(std::string_view arch, std::string_view wow = "Wow6432Node") {
  return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" +
         std::string(arch) +
         "\n\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Native] "
         "1733900000\n\"DisplayName\"=\"Native\"\n\n[Software\\\\" +
         std::string(wow) +
         "\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Wow] 1733900000\n"
         "\"DisplayName\"=\"Wow\"\n";
}

std::vector<std::string> UninstallEntries(RegistryBackend& backend, RegistryView view) {
  Registry registry(RootKey::LocalMachine, view, backend);
  if (!registry.OpenKeyReadOnly(kUninstall)) return {};
  return registry.GetKeyNames();
}

class WinePrefixRegistryTest : public ::testing::Test {
 protected:
  fs::path Prefix() const { return dir_.Path(); }
  void Write(std::string_view name, std::string_view text) { WriteFileBytes(dir_ / name, text); }

  test::TempDir dir_;
};

TEST_F(WinePrefixRegistryTest, TheArchitectureDecidesTheViews) {
  using Names = std::vector<std::string>;
  struct Case {
    std::string_view arch;
    Names view32, view64;
  };
  const Case cases[] = {
      {"win64", Names{"Wow"}, Names{"Native"}},
      // A 32-bit prefix has one view, in which WOW6432Node is an ordinary key.
      {"win32", Names{"Native"}, Names{"Native"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arch);
    Write("system.reg", SystemReg(c.arch));
    WinePrefixRegistry registry(Prefix());
    EXPECT_EQ(registry.IsWin64(), c.arch == "win64");
    EXPECT_EQ(UninstallEntries(registry, RegistryView::Wow64_32), c.view32);
    EXPECT_EQ(UninstallEntries(registry, RegistryView::Wow64_64), c.view64);
    EXPECT_EQ(UninstallEntries(registry, RegistryView::Default), c.view64);
  }
}

TEST_F(WinePrefixRegistryTest, WithoutArchitectureLineWow6432NodeMakesItSixtyFourBit) {
  std::string text = SystemReg("win64");
  text.erase(text.find("#arch=win64\n"), 12);
  Write("system.reg", text);
  EXPECT_TRUE(WinePrefixRegistry(Prefix()).IsWin64());
  std::string other = SystemReg("win64", "Other");
  other.erase(other.find("#arch=win64\n"), 12);
  Write("system.reg", other);
  EXPECT_FALSE(WinePrefixRegistry(Prefix()).IsWin64());
}

TEST_F(WinePrefixRegistryTest, NothingIsEverWritten) {
  Write("system.reg", SystemReg("win64"));
  Write("user.reg", "WINE REGISTRY Version 2\n\n[Software\\\\Wine] 1\n\"Version\"=\"win10\"\n");
  const std::string system = ReadFileBytes(dir_ / "system.reg");
  const std::string user = ReadFileBytes(dir_ / "user.reg");
  {
    WinePrefixRegistry backend(Prefix());
    for (RootKey root : {RootKey::LocalMachine, RootKey::CurrentUser}) {
      Registry registry(root, RegistryView::Default, backend);
      EXPECT_FALSE(registry.OpenKey("\\Software\\New", true));
      EXPECT_FALSE(registry.OpenKey("\\Software", false)) << "opened for writing";
      EXPECT_FALSE(registry.DeleteKey("\\Software"));
      ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software"));
      auto key = backend.OpenKey(root, "Software", RegistryView::Default, KeyAccess::Read);
      ASSERT_NE(key, nullptr);
      const std::uint8_t data[] = {1, 0, 0, 0};
      EXPECT_FALSE(key->SetValue("x", RegType::Dword, data));
      EXPECT_FALSE(key->DeleteValue("Version"));
    }
    EXPECT_EQ(ErrorOf([&] { backend.Import({}, "x.reg", RegistryView::Default); }),
              "Die Registrierung des Wine-Präfixes " + Prefix().string() +
                  " wird nur gelesen, nie geändert.");
    Registry user_registry(RootKey::CurrentUser, RegistryView::Default, backend);
    ASSERT_TRUE(user_registry.OpenKeyReadOnly("\\Software\\Wine"));
    EXPECT_EQ(user_registry.ReadString("Version"), "win10");
  }
  EXPECT_EQ(ReadFileBytes(dir_ / "system.reg"), system);
  EXPECT_EQ(ReadFileBytes(dir_ / "user.reg"), user);
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(Prefix())) files.push_back(entry.path());
  EXPECT_EQ(files.size(), 2u) << "no lock or temporary file beside them";
}

TEST_F(WinePrefixRegistryTest, ADirectoryWithoutSystemRegIsNoPrefix) {
  EXPECT_EQ(ErrorOf([&] { OpenWinePrefix(Prefix()); }),
            Prefix().string() + " ist kein Wine-Präfix: system.reg fehlt.");
  // Without user.reg the user's root is empty.
  Write("system.reg", SystemReg("win64"));
  auto prefix = OpenWinePrefix(Prefix());
  EXPECT_EQ(prefix->Registry().OpenKey(RootKey::CurrentUser, "Software", RegistryView::Default,
                                       KeyAccess::Read),
            nullptr);
}

// A program's icon is looked for on the prefix's own drives, whichever prefix $WINEPREFIX names,
// and its %VARIABLES% are those of the prefix's registry.
TEST_F(WinePrefixRegistryTest, ThePrefixsFilesAreOnItsOwnDrives) {
  Write("system.reg", SystemReg("win64") +
                          "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1733900000\n"
                          "\"ProgramFilesDir\"=\"D:\\\\Spiele\"\n");
  fs::create_directories(dir_ / "dosdevices");
  fs::create_directories(dir_ / "drive_d" / "Spiele" / "Tool");
  fs::create_symlink("../drive_d", dir_ / "dosdevices" / "d:");
  Write("drive_d/Spiele/Tool/tool.ico", "icon");
  test::TempDir other;
  test::ScopedEnvironment environment;
  environment.Set("WINEPREFIX", other.Path().string());

  const auto prefix = OpenWinePrefix(Prefix());
  const MachineFiles& files = prefix->Files();
  EXPECT_EQ(files.ExpandEnvironment("%ProgramFiles%\\TOOL\\Tool.ico"),
            "D:\\Spiele\\TOOL\\Tool.ico");
  EXPECT_EQ(files.ExistingFile("D:\\SPIELE\\tool\\TOOL.ICO"),
            dir_ / "dosdevices" / "d:" / "Spiele" / "Tool" / "tool.ico");
  EXPECT_EQ(files.ExistingFile("C:\\Spiele\\Tool\\tool.ico"), std::nullopt)
      << "the prefix has no drive C:";
}

// An uninstaller of the prefix's runs in the prefix, not in the one $WINEPREFIX names.
TEST_F(WinePrefixRegistryTest, ItsProgramsRunInThePrefix) {
  Write("system.reg", SystemReg("win64"));
  test::TempDir bin;
  const fs::path started = bin / "started";
  WriteFileBytes(bin / "wine", "#!/bin/sh\necho \"$WINEPREFIX|$*\" > \"" + started.string() +
                                   ".part\"\nmv \"" + started.string() + ".part\" \"" +
                                   started.string() + "\"\n");
  fs::permissions(bin / "wine", fs::perms::owner_all);
  test::ScopedEnvironment environment;
  environment.Set("PATH", bin.Path().string() + ":/usr/bin:/bin");
  environment.Set("WINEPREFIX", (bin / "other").string());

  const auto prefix = OpenWinePrefix(Prefix());
  ASSERT_TRUE(prefix->Programs().StartCommandLine("\"C:\\Tool\\uninstall.exe\" /S"));
  for (int i = 0; i < 500 && !fs::exists(started); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ReadFileBytes(started), Prefix().string() + "|C:\\Tool\\uninstall.exe /S\n");
}

TEST_F(WinePrefixRegistryTest, AChangedFileIsReadAgainAndAMalformedOneNamesItsLine) {
  Write("system.reg", SystemReg("win64"));
  WinePrefixRegistry registry(Prefix());
  registry.SetRetryPause(std::chrono::milliseconds(1));
  ASSERT_EQ(UninstallEntries(registry, RegistryView::Wow64_64), std::vector<std::string>{"Native"});

  // Replaced whole, as Wine writes it.
  std::string grown = SystemReg("win64") +
                      "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
                      "Added] 1733900001\n\"DisplayName\"=\"Added\"\n";
  Write("system.reg.new", grown);
  fs::rename(dir_ / "system.reg.new", dir_ / "system.reg");
  EXPECT_EQ(UninstallEntries(registry, RegistryView::Wow64_64),
            (std::vector<std::string>{"Added", "Native"}));

  Write("system.reg", SystemReg("win64") + "[Broken\n");
  EXPECT_EQ(ErrorOf([&] { UninstallEntries(registry, RegistryView::Wow64_64); }),
            (dir_ / "system.reg").string() +
                ", Zeile 11: Schlüsselname ohne schließende Klammer am Zeilenende");
}

TEST_F(WinePrefixRegistryTest, WhileItsStateIsHeldAChangedFileWaits) {
  Write("system.reg", SystemReg("win64"));
  WinePrefixRegistry registry(Prefix());
  auto hold = registry.HoldState();
  ASSERT_EQ(UninstallEntries(registry, RegistryView::Wow64_64), std::vector<std::string>{"Native"});
  Write("system.reg", SystemReg("win64", "Moved"));
  EXPECT_EQ(UninstallEntries(registry, RegistryView::Wow64_32), std::vector<std::string>{"Wow"});
  hold.reset();
  EXPECT_EQ(UninstallEntries(registry, RegistryView::Wow64_32), std::vector<std::string>{});
}

// A writer that rewrites the file in place, in two steps with a pause between them, as a
// writer that does not replace the file whole would: every read must still see one whole
// version of the file.
TEST_F(WinePrefixRegistryTest, ATornReadIsTriedAgain) {
  const std::string first = SystemReg("win64");
  const std::string second = first +
                             "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\"
                             "Uninstall\\\\Second] 1733900001\n\"DisplayName\"=\"Second\"\n";
  Write("system.reg", first);
  std::atomic<bool> stop = false;
  std::thread writer([&] {
    for (bool big = true; !stop; big = !big) {
      const std::string& text = big ? second : first;
      // Cut inside a key line, so that the first part alone cannot be read.
      const std::size_t cut = text.rfind("[Software") + 12;
      {
        std::ofstream out(dir_ / "system.reg", std::ios::binary | std::ios::trunc);
        out << text.substr(0, cut) << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        out << text.substr(cut);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  std::vector<std::string> problems;
  WinePrefixRegistry registry(Prefix());
  // Long beside the writer's own pause, so that only a writer held up for several times the
  // pause (a loaded machine) could look like a file that stays broken.
  registry.SetRetryPause(std::chrono::milliseconds(25));
  for (int read = 0; read < 100 && problems.empty(); ++read) {
    try {
      const auto names = UninstallEntries(registry, RegistryView::Wow64_64);
      if (names != std::vector<std::string>{"Native"} &&
          names != std::vector<std::string>{"Native", "Second"}) {
        problems.push_back("a part of the file was read");
      }
    } catch (const Error& error) {
      problems.push_back(error.what());
    }
  }
  stop = true;
  writer.join();
  EXPECT_EQ(problems, std::vector<std::string>{});
}

}  // namespace
}  // namespace lintrove::platform
