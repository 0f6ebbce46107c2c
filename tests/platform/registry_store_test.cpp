#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "base/error.h"
#include "platform/posix/posix_registry.h"
#include "platform/registry.h"
#include "support/temp_dir.h"

namespace lintrove::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string Repeated(std::string_view part, std::size_t count, std::string_view separator = "") {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text.append(i ? separator : "").append(part);
  return text;
}

class RegistryStoreTest : public ::testing::Test {
 protected:
  fs::path UserFile() const { return dir_ / "HKEY_CURRENT_USER.reg"; }
  fs::path MachineFile() const { return dir_ / "HKEY_LOCAL_MACHINE.reg"; }

  // Both store files with a value each, written by the store itself.
  void WriteBothStores(PosixRegistry& backend) {
    for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
      Registry registry(root, RegistryView::Default, backend);
      ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\Kept", true));
      registry.WriteInteger("kept", 1);
    }
  }

  ino_t Inode(const fs::path& file) const {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
  }

  // Runs body in a child process that dies with the test.
  pid_t Spawn(const std::function<void()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      try {
        body();
        ::_exit(0);
      } catch (...) {
        ::_exit(1);
      }
    }
    return pid;
  }

  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
  }

  test::TempDir dir_;
};

TEST_F(RegistryStoreTest, ChangesReachTheFileInOneWriteWhenTheKeyIsClosed) {
  PosixRegistry backend(dir_.Path());
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "new key" : "existing key");
    ino_t before = Inode(UserFile());
    Registry registry(RootKey::CurrentUser, RegistryView::Default, backend);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Dorv\\Lintrove", true));
    for (int i = 0; i < 12; ++i) registry.WriteInteger("value" + std::to_string(i), i + round);
    EXPECT_EQ(Inode(UserFile()), before) << "written before the key was closed";
    registry.CloseKey();
    EXPECT_NE(Inode(UserFile()), before);
  }
  std::string bytes = test::ReadFileBytes(UserFile());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");

  PosixRegistry other(dir_.Path());
  Registry registry(RootKey::CurrentUser, RegistryView::Default, other);
  ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software\\Dorv\\Lintrove"));
  EXPECT_EQ(registry.GetValueNames().size(), 12u);
  EXPECT_EQ(registry.ReadInteger("value11"), 12);
}

TEST_F(RegistryStoreTest, InstancesKeepEachOthersChangesAndSeeThem) {
  PosixRegistry first(dir_.Path());
  PosixRegistry second(dir_.Path());
  auto write = [](PosixRegistry& backend, std::string name, std::int32_t value) {
    Registry registry(RootKey::LocalMachine, RegistryView::Default, backend);
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\Shared", true));
    registry.WriteInteger(name, value);
  };
  auto read = [](PosixRegistry& backend, std::string name) -> std::optional<std::int32_t> {
    Registry registry(RootKey::LocalMachine, RegistryView::Default, backend);
    if (!registry.OpenKeyReadOnly("\\SOFTWARE\\Shared") || !registry.ValueExists(name)) {
      return std::nullopt;
    }
    return registry.ReadInteger(name);
  };
  write(first, "a", 1);
  EXPECT_EQ(read(second, "a"), 1);
  write(first, "b", 2);  // second's copy is now stale
  write(second, "c", 3);
  {
    Registry registry(RootKey::LocalMachine, RegistryView::Default, second);
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\Shared", false));
    EXPECT_TRUE(registry.DeleteValue("a"));
  }
  PosixRegistry third(dir_.Path());
  EXPECT_EQ(read(third, "a"), std::nullopt);
  EXPECT_EQ(read(third, "b"), 2);
  EXPECT_EQ(read(third, "c"), 3);
  EXPECT_EQ(read(first, "c"), 3) << "a change of another instance is seen at the next open";
}

TEST_F(RegistryStoreTest, WhileItsStateIsHeldAnotherInstancesChangesWaitButItsOwnAreSeen) {
  PosixRegistry writer(dir_.Path());
  PosixRegistry scanner(dir_.Path());
  auto write = [](PosixRegistry& backend, std::string name) {
    Registry registry(RootKey::LocalMachine, RegistryView::Default, backend);
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\Shared\\" + name, true));
  };
  auto keys = [](PosixRegistry& backend) {
    Registry registry(RootKey::LocalMachine, RegistryView::Default, backend);
    return registry.OpenKeyReadOnly("\\SOFTWARE\\Shared") ? registry.GetKeyNames()
                                                          : std::vector<std::string>{};
  };
  write(writer, "before");
  auto hold = scanner.HoldState();
  EXPECT_EQ(keys(scanner), std::vector<std::string>{"before"})
      << "the first read looks at the file";
  write(writer, "during");
  EXPECT_EQ(keys(scanner), std::vector<std::string>{"before"});
  hold.reset();
  EXPECT_EQ(keys(scanner), (std::vector<std::string>{"before", "during"}));

  hold = scanner.HoldState();
  write(scanner, "own");
  EXPECT_EQ(keys(scanner), (std::vector<std::string>{"before", "during", "own"}));
  EXPECT_EQ(keys(writer), (std::vector<std::string>{"before", "during", "own"}));
}

TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kMaxWrites = 400;
  auto writer = [&](int process) {
    PosixRegistry backend(dir_.Path());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int written = 0;
    while (written < kMaxWrites && std::chrono::steady_clock::now() < deadline) {
      Registry registry(RootKey::CurrentUser, RegistryView::Default, backend);
      if (!registry.OpenKey("\\Software\\Race", true)) throw Error("open failed");
      registry.WriteInteger("p" + std::to_string(process) + "_" + std::to_string(written), written);
      registry.CloseKey();
      ++written;
    }
    std::ofstream(dir_ / ("count" + std::to_string(process))) << written;
  };
  pid_t a = Spawn([&] { writer(0); });
  pid_t b = Spawn([&] { writer(1); });
  ASSERT_EQ(Wait(a), 0);
  ASSERT_EQ(Wait(b), 0);

  PosixRegistry backend(dir_.Path());
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend);
  ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software\\Race"));
  for (int process = 0; process < 2; ++process) {
    int count = 0;
    std::ifstream(dir_ / ("count" + std::to_string(process))) >> count;
    EXPECT_GT(count, 10);
    for (int i = 0; i < count; ++i) {
      std::string name = "p" + std::to_string(process) + "_" + std::to_string(i);
      ASSERT_TRUE(registry.ValueExists(name)) << name;
      EXPECT_EQ(registry.ReadInteger(name), i);
    }
  }
}

TEST_F(RegistryStoreTest, AWriterKilledMidWriteLeavesAReadableFile) {
  for (int delayMs : {3, 11, 29, 53}) {
    SCOPED_TRACE(delayMs);
    pid_t writer = Spawn([&] {
      PosixRegistry backend(dir_.Path());
      std::vector<std::uint8_t> big(256 * 1024);
      for (std::uint8_t round = 0;; ++round) {
        std::fill(big.begin(), big.end(), round);
        Registry registry(RootKey::CurrentUser, RegistryView::Default, backend);
        registry.OpenKey("\\Software\\Big", true);
        registry.WriteBinaryData("blob", big);
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    ::kill(writer, SIGKILL);
    Wait(writer);
    // Whatever moment the kill hit, the file is the last complete one (or none yet).
    PosixRegistry reader(dir_.Path());
    Registry registry(RootKey::CurrentUser, RegistryView::Default, reader);
    bool opened = false;
    EXPECT_NO_THROW(opened = registry.OpenKeyReadOnly("\\Software\\Big"));
    if (opened) {
      EXPECT_EQ(registry.ReadValue("blob")->data.size(), 256u * 1024);
    }
  }
}

TEST_F(RegistryStoreTest, AFileThatCannotBeReadIsReportedAndNeverOverwritten) {
  const std::string broken =
      "\xFF\xFE" + std::string("W\0i\0n\0d\0o\0w\0s\0", 14);  // a header cut short
  const std::string foreignRoot =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"a\"=\"b\"\r\n";
  for (const std::string& content : {broken, foreignRoot}) {
    test::WriteFileBytes(UserFile(), content);
    PosixRegistry backend(dir_.Path());
    Registry registry(RootKey::CurrentUser, RegistryView::Default, backend);
    try {
      registry.OpenKey("\\Software\\Dorv\\Lintrove", true);
      registry.WriteInteger("x", 1);
      registry.CloseKey();
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_THAT(error.what(), HasSubstr(UserFile().string()));
      EXPECT_THAT(error.what(), HasSubstr("Zeile"));
    }
    EXPECT_EQ(test::ReadFileBytes(UserFile()), content);
  }
}

TEST_F(RegistryStoreTest, ARefusedImportLeavesBothStoresAsTheyWere) {
  const std::string good =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\New]\n\"a\"=\"1\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n\"b\"=\"2\"\n"
      "[-HKEY_CURRENT_USER\\SOFTWARE\\Kept]\n";  // lines 1 to 7
  struct Case {
    std::string label;
    std::string tail;  // from line 8 on
    std::string message;
  };
  const Case cases[] = {
      {"empty name in a key path", "[HKEY_CURRENT_USER\\A\\\\B]\n", "Zeile 8: "},
      {"too deep", "[HKEY_CURRENT_USER\\" + Repeated("k", 513, "\\") + "]\n",
       "Zeile 8: Der Schlüssel liegt tiefer als 512 Ebenen"},
      {"key name too long", "[HKEY_CURRENT_USER\\" + std::string(256, 'n') + "]\n",
       "Zeile 8: Der Schlüsselname ist länger als 255 Zeichen"},
      {"value name too long", "\"" + std::string(16384, 'v') + "\"=\"x\"\n",
       "Zeile 8: Der Wertname ist länger als 16383 Zeichen"},
      {"syntax", "[HKEY_CURRENT_USER\\B]\n\"c\"=dword:xyz\n", "Zeile 9: ungültiger DWORD-Wert"},
  };
  PosixRegistry backend(dir_.Path());
  WriteBothStores(backend);
  const std::string userBefore = test::ReadFileBytes(UserFile());
  const std::string machineBefore = test::ReadFileBytes(MachineFile());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      backend.Import(Bytes(good + c.tail), "import.reg", RegistryView::Default);
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_THAT(error.what(), HasSubstr("import.reg, " + c.message));
    }
    EXPECT_EQ(test::ReadFileBytes(UserFile()), userBefore);
    EXPECT_EQ(test::ReadFileBytes(MachineFile()), machineBefore);
    // Nor does this process see any of it.
    Registry user(RootKey::CurrentUser, RegistryView::Default, backend);
    EXPECT_FALSE(user.KeyExists("\\SOFTWARE\\New"));
    EXPECT_TRUE(user.KeyExists("\\SOFTWARE\\Kept"));
    EXPECT_FALSE(Registry(RootKey::LocalMachine, RegistryView::Default, backend)
                     .KeyExists("\\SOFTWARE\\New"));
  }
  EXPECT_FALSE(fs::exists(dir_ / "HKEY_CURRENT_USER.reg.tmp"));
  EXPECT_FALSE(fs::exists(dir_ / "HKEY_LOCAL_MACHINE.reg.tmp"));

  backend.Import(Bytes(good), "import.reg", RegistryView::Default);
  PosixRegistry other(dir_.Path());
  Registry user(RootKey::CurrentUser, RegistryView::Default, other);
  EXPECT_TRUE(user.KeyExists("\\SOFTWARE\\New"));
  EXPECT_FALSE(user.KeyExists("\\SOFTWARE\\Kept"));
  EXPECT_TRUE(
      Registry(RootKey::LocalMachine, RegistryView::Default, other).KeyExists("\\SOFTWARE\\New"));
}

TEST_F(RegistryStoreTest, AnImportReachingAStoreThatCannotBeReadNamesItsLineAndWritesNothing) {
  PosixRegistry writer(dir_.Path());
  WriteBothStores(writer);
  const std::string userBefore = test::ReadFileBytes(UserFile());
  const std::string brokenMachine = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"a\"=dword:zz\r\n";
  test::WriteFileBytes(MachineFile(), brokenMachine);

  PosixRegistry backend(dir_.Path());
  try {
    backend.Import(Bytes("REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\New]\n\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n"),
                   "import.reg", RegistryView::Default);
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("import.reg, Zeile 5: "));
    EXPECT_THAT(error.what(), HasSubstr(MachineFile().string() + ", Zeile 4: "));
  }
  EXPECT_EQ(test::ReadFileBytes(UserFile()), userBefore);
  EXPECT_EQ(test::ReadFileBytes(MachineFile()), brokenMachine);
  EXPECT_FALSE(
      Registry(RootKey::CurrentUser, RegistryView::Default, backend).KeyExists("\\SOFTWARE\\New"));
}

TEST_F(RegistryStoreTest, AnImportInThe32BitViewGoesWhereThatViewKeepsItsKeys) {
  PosixRegistry backend(dir_.Path());
  backend.Import(Bytes("Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\n\"v\"=\"32\"\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Installer\\Products\\P]\n"
                       "[HKEY_CURRENT_USER\\SOFTWARE\\Vendor]\n"),
                 "import.reg", RegistryView::Wow64_32);
  Registry native(RootKey::LocalMachine, RegistryView::Wow64_64, backend);
  EXPECT_TRUE(native.KeyExists("\\SOFTWARE\\WOW6432Node\\Vendor"));
  EXPECT_FALSE(native.KeyExists("\\SOFTWARE\\Vendor"));
  EXPECT_TRUE(native.KeyExists("\\SOFTWARE\\Classes\\Installer\\Products\\P"));
  EXPECT_TRUE(Registry(RootKey::CurrentUser, RegistryView::Wow64_64, backend)
                  .KeyExists("\\SOFTWARE\\Vendor"));
}

TEST_F(RegistryStoreTest, WritesBeyondTheRegistrysLimitsAreRefusedAndNothingIsWritten) {
  const std::string emoji = "\U0001F600";  // two UTF-16 units
  struct Case {
    std::string label;
    std::string key;    // below HKCU\SOFTWARE
    std::string value;  // the name of a value written there
    bool refused;
  };
  const Case cases[] = {
      {"deepest key", Repeated("k", 511, "\\"), "v", false},
      {"one level deeper", Repeated("k", 512, "\\"), "v", true},
      {"longest key name", std::string(255, 'n'), "v", false},
      {"key name one longer", std::string(256, 'n'), "v", true},
      {"key name counted in UTF-16", Repeated(emoji, 128), "v", true},
      {"key name not UTF-8", "caf\xE9", "v", true},
      {"longest value name", "K", std::string(16383, 'v'), false},
      {"value name one longer", "K", std::string(16384, 'v'), true},
      {"value name not UTF-8", "K", "\xFF", true},
  };
  PosixRegistry backend(dir_.Path());
  WriteBothStores(backend);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string before = test::ReadFileBytes(UserFile());
    Registry registry(RootKey::CurrentUser, RegistryView::Default, backend);
    try {
      ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\" + c.key, true));
      registry.WriteInteger(c.value, 1);
      registry.CloseKey();
      EXPECT_FALSE(c.refused) << "no error";
    } catch (const Error& error) {
      EXPECT_TRUE(c.refused) << error.what();
      EXPECT_THAT(error.what(), ::testing::AnyOf(HasSubstr("länger als"), HasSubstr("tiefer als"),
                                                 HasSubstr("UTF-8")));
      registry.CloseKey();
      EXPECT_EQ(test::ReadFileBytes(UserFile()), before);
    }
    if (!c.refused) {
      PosixRegistry other(dir_.Path());
      Registry reread(RootKey::CurrentUser, RegistryView::Default, other);
      ASSERT_TRUE(reread.OpenKeyReadOnly("\\SOFTWARE\\" + c.key));
      EXPECT_TRUE(reread.ValueExists(c.value));
    }
  }
}

TEST_F(RegistryStoreTest, AStoreFileWithAKeyTooDeepIsReportedWithItsLine) {
  test::WriteFileBytes(
      UserFile(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + Repeated("k", 100000, "\\") + "]\r\n");
  PosixRegistry backend(dir_.Path());
  try {
    Registry(RootKey::CurrentUser, RegistryView::Default, backend).KeyExists("\\k");
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr(UserFile().string() + ", Zeile 3: "));
    EXPECT_THAT(error.what(), HasSubstr("512"));
  }
}

TEST_F(RegistryStoreTest, ATemporaryFileLeftByAKilledWriterIsRemovedAtTheNextOpen) {
  PosixRegistry writer(dir_.Path());
  WriteBothStores(writer);
  const fs::path temporary = dir_ / "HKEY_CURRENT_USER.reg.tmp";
  test::WriteFileBytes(temporary, "\xFF\xFEhalf a fi");
  PosixRegistry backend(dir_.Path());
  Registry registry(RootKey::CurrentUser, RegistryView::Default, backend);
  EXPECT_TRUE(registry.KeyExists("\\SOFTWARE\\Kept"));
  EXPECT_FALSE(fs::exists(temporary));
}

TEST(RegistryDirectoryTest, ComesFromTheEnvironment) {
  struct Case {
    const char* registryDir;
    const char* xdgDataHome;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/srv/reg", "/data", "/home/u", "/srv/reg"},
      {nullptr, "/data", "/home/u", "/data/lintrove/registry"},
      {"", "relative", "/home/u", "/home/u/.local/share/lintrove/registry"},
      {nullptr, nullptr, "/home/u", "/home/u/.local/share/lintrove/registry"},
  };
  auto set = [](const char* name, const char* value) {
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  };
  auto saved = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  auto registryDir = saved("LINTROVE_REGISTRY_DIR"), xdg = saved("XDG_DATA_HOME"),
       home = saved("HOME");
  for (const Case& c : cases) {
    set("LINTROVE_REGISTRY_DIR", c.registryDir);
    set("XDG_DATA_HOME", c.xdgDataHome);
    set("HOME", c.home);
    EXPECT_EQ(DefaultRegistryDirectory(), fs::path(c.expected));
  }
  set("LINTROVE_REGISTRY_DIR", registryDir ? registryDir->c_str() : nullptr);
  set("XDG_DATA_HOME", xdg ? xdg->c_str() : nullptr);
  set("HOME", home ? home->c_str() : nullptr);
}

}  // namespace
}  // namespace lintrove::platform
