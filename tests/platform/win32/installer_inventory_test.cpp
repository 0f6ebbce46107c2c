// The inventory of the Wine prefix as the client takes it: the installer finder over msi.dll,
// then the registry finder over the Win32 registry, with Uninstall entries of our own in both
// views beside those of the installed packages.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "installer_packages.h"
#include "inventory/installer_finder.h"
#include "inventory/installer_program.h"
#include "inventory/platform_facts.h"
#include "inventory/registry_finder.h"
#include "inventory/registry_program.h"
#include "platform/shell.h"
#include "platform/win32/wide_text.h"
#include "shell_probe.h"

namespace lintrove {
namespace {

using platform::Wide;

constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct Value {
  const wchar_t* name;
  DWORD type;
  std::string text;  // REG_SZ text, or the decimal number of a REG_DWORD
};

struct Entry {
  REGSAM view;
  const wchar_t* key;
  std::vector<Value> values;
};

void Write(const Entry& entry) {
  HKEY key = nullptr;
  const std::wstring path = std::wstring(kUninstall) + L"\\" + entry.key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE | entry.view, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (const Value& value : entry.values) {
    if (value.type == REG_DWORD) {
      const DWORD number = static_cast<DWORD>(std::stoul(value.text));
      RegSetValueExW(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof number);
    } else {
      const std::wstring text = Wide(value.text);
      RegSetValueExW(key, value.name, 0, value.type, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
  }
  RegCloseKey(key);
}

void Delete(const Entry& entry) {
  HKEY uninstall = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_ALL_ACCESS | entry.view, &uninstall) !=
      ERROR_SUCCESS)
    return;
  RegDeleteTreeW(uninstall, entry.key);
  RegCloseKey(uninstall);
}

class Win32InventoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string uninstaller = "\"" + probe_.Program() + "\" /uninstall";
    entries_ = {
        {KEY_WOW64_64KEY,
         L"LintroveTest.Native",
         {{L"DisplayName", REG_SZ, "Lintrove Testprogramm 64"},
          {L"DisplayVersion", REG_SZ, "6.4"},
          {L"Publisher", REG_SZ, "Lintrove Prüfstand"},
          {L"VersionMajor", REG_DWORD, "6"},
          {L"DisplayIcon", REG_EXPAND_SZ, "%ProgramFiles%\\Lintrove Test\\test.exe,0"},
          {L"UninstallString", REG_SZ, uninstaller + " 64"}}},
        {KEY_WOW64_64KEY,
         L"LintroveTest.Component",
         {{L"DisplayName", REG_SZ, "Lintrove Systemteil"},
          {L"UninstallString", REG_SZ, uninstaller},
          {L"SystemComponent", REG_DWORD, "1"}}},
        {KEY_WOW64_64KEY,
         L"LintroveTest.Update",
         {{L"DisplayName", REG_SZ, "Lintrove Testprogramm 64 Update 1"},
          {L"UninstallString", REG_SZ, uninstaller},
          {L"ParentKeyName", REG_SZ, "LintroveTest.Native"}}},
        {KEY_WOW64_64KEY,
         L"LintroveTest.NoUninstaller",
         {{L"DisplayName", REG_SZ, "Lintrove ohne Deinstallation"}}},
        // An installer product's own name, not marked as the installer's: the product is
        // listed once all the same.
        {KEY_WOW64_64KEY,
         L"LintroveTest.AlphaAgain",
         {{L"DisplayName", REG_SZ, std::string(test::kAlpha.productName)},
          {L"UninstallString", REG_SZ, uninstaller}}},
        {KEY_WOW64_32KEY,
         L"LintroveTest.Wow",
         {{L"DisplayName", REG_SZ, "Lintrove Testprogramm 32"},
          {L"DisplayVersion", REG_SZ, "3.2"},
          {L"UninstallString", REG_SZ, uninstaller + " 32"}}},
        {KEY_WOW64_32KEY,
         L"LintroveTest.Component32",
         {{L"DisplayName", REG_SZ, "Lintrove Systemteil 32"},
          {L"UninstallString", REG_SZ, uninstaller},
          {L"SystemComponent", REG_DWORD, "0"}}},
    };
    for (const Entry& entry : entries_) Write(entry);
  }

  void TearDown() override {
    for (const Entry& entry : entries_) Delete(entry);
  }

  // A scan as the client runs it: the installer's products first.
  void Scan(ProgramList& list) {
    InstallerFinder installerFinder;
    installerFinder.Find(list);
    RegistryFinder registryFinder;
    registryFinder.Find(list);
  }

  test::ShellProbe probe_;
  std::vector<Entry> entries_;
};

bool IsInstallerProduct(const Program& program) {
  return dynamic_cast<const InstallerProgram*>(&program) != nullptr;
}

TEST_F(Win32InventoryTest, ListsEveryProgramOnceInScanOrder) {
  EXPECT_TRUE(IsWindows64());
  ProgramList list;
  Scan(list);

  std::vector<std::string> names;
  int firstRegistryProgram = list.Count();
  for (int i = 0; i < list.Count(); ++i) {
    names.push_back(list.Items(i).GetName());
    if (IsInstallerProduct(list.Items(i))) {
      EXPECT_LT(i, firstRegistryProgram) << "installer product after the Uninstall entries";
    } else {
      firstRegistryProgram = std::min(firstRegistryProgram, i);
    }
  }
  for (const test::InstallerPackage* package : test::kPackages) {
    auto found = std::ranges::find(names, package->productName);
    ASSERT_NE(found, names.end()) << package->productName;
    EXPECT_TRUE(IsInstallerProduct(list.Items(static_cast<int>(found - names.begin()))));
    EXPECT_EQ(std::ranges::count(names, package->productName), 1) << package->productName;
  }
  for (std::string_view skipped :
       {"Lintrove Systemteil", "Lintrove Systemteil 32", "Lintrove Testprogramm 64 Update 1",
        "Lintrove ohne Deinstallation"}) {
    EXPECT_EQ(std::ranges::count(names, skipped), 0) << skipped;
  }
  // The 32-bit programs come first.
  auto wow = std::ranges::find(names, "Lintrove Testprogramm 32");
  auto native = std::ranges::find(names, "Lintrove Testprogramm 64");
  ASSERT_NE(wow, names.end());
  ASSERT_NE(native, names.end());
  EXPECT_LT(wow, native);

  const auto& program =
      dynamic_cast<const RegistryProgram&>(list.Items(static_cast<int>(native - names.begin())));
  EXPECT_EQ(program.RegistryKey, "LintroveTest.Native");
  EXPECT_EQ(program.DisplayVersion, "6.4");
  EXPECT_EQ(program.Publisher, "Lintrove Prüfstand");
  EXPECT_EQ(program.VersionMajor, "6");
  EXPECT_EQ(program.DisplayIcon, "%ProgramFiles%\\Lintrove Test\\test.exe,0");

  // Its uninstaller starts through the shell with the arguments of its UninstallString.
  program.Uninstall(platform::SystemShell());
  EXPECT_THAT(probe_.WaitForStart(), ::testing::ElementsAre(probe_.Program(), "/uninstall", "64"));
}

}  // namespace
}  // namespace lintrove
