// A real Wine prefix, made by wineboot, with a package built by wixl installed through msiexec
// and Uninstall entries added with Wine's reg: lintrove-cli's scan of it must list what Wine's own
// msi.dll and registry report, and must leave every file of the prefix as it was.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "scan_command.h"
#include "support/temp_dir.h"

namespace lintrove::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUninstall =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs a command line in directory; its standard output without the CRs Windows programs write.
std::string Output(const std::vector<std::string>& command, const fs::path& directory) {
  std::string line = "cd " + Quoted(directory.string()) + " &&";
  for (const std::string& arg : command) line += " " + Quoted(arg);
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(line.c_str(), "r"), ::pclose);
  if (!pipe) throw std::runtime_error("cannot start " + line);
  std::string output;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) output.append(buffer, n);
  const int status = ::pclose(pipe.release());
  if (status != 0)
    throw std::runtime_error(line + " failed (" + std::to_string(status) + "):\n" + output);
  std::erase(output, '\r');
  return output;
}

using NameAndVersion = std::pair<std::string, std::string>;

class RealWinePrefixTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new test::TempDir();
    Output({LINTROVE_WIXL, "-a", "x64", "-o", (Work() / "alpha.msi").string(), "alpha.wxs"},
           LINTROVE_MSI_SOURCES);
    Wine({"wineboot", "--init"});
    Wine({"msiexec", "/i", "alpha.msi", "/qn"});
    AddEntry("LintroveWeinprobe", "Lintrove Weinprobe", "3.1.4", "/reg:64");
    AddEntry("LintroveWeinprobe32", "Lintrove Weinprobe 32 Bit", "2.7", "/reg:32");
    // Wine keeps its registry in memory and writes the files when its server ends.
    WineServer("-w");
  }

  static void TearDownTestSuite() {
    try {
      WineServer("-k");
    } catch (const std::runtime_error&) {
      // No server was left running.
    }
    delete work_;
  }

  static fs::path Work() { return work_->Path(); }
  static fs::path Prefix() { return Work() / "prefix"; }

  // The server of this prefix: waits for it to end ("-w") or ends it ("-k").
  static void WineServer(const std::string& command) {
    Output({"env", "WINEPREFIX=" + Prefix().string(), LINTROVE_WINESERVER, command}, Work());
  }

  static std::string Wine(const std::vector<std::string>& command) {
    std::vector<std::string> line = {LINTROVE_WINE_RUN, Prefix().string()};
    line.insert(line.end(), command.begin(), command.end());
    return Output(line, Work());
  }

  static void AddEntry(const std::string& key, const std::string& name, const std::string& version,
                       const std::string& view) {
    const std::string path = std::string(kUninstall) + "\\" + key;
    Wine({"reg", "add", path, "/v", "DisplayName", "/d", name, "/f", view});
    Wine({"reg", "add", path, "/v", "DisplayVersion", "/d", version, "/f", view});
    Wine({"reg", "add", path, "/v", "UninstallString", "/d", "C:\\" + key + "\\u.exe", "/f", view});
  }

  // What Wine's msi.dll reports, through the installer's automation interface: product code,
  // name and version.
  static std::map<std::string, NameAndVersion> InstallerProducts() {
    const fs::path script = Work() / "products.js";
    std::ofstream(script) << "var installer = new ActiveXObject('WindowsInstaller.Installer');\n"
                             "var products = installer.Products;\n"
                             "for (var i = 0; i < products.Count; i++) {\n"
                             "  var code = products.Item(i);\n"
                             "  WScript.Echo(code + '\\t' +\n"
                             "    installer.ProductInfo(code, 'InstalledProductName') + '\\t' +\n"
                             "    installer.ProductInfo(code, 'VersionString'));\n"
                             "}\n";
    std::map<std::string, NameAndVersion> products;
    std::istringstream lines(Wine({"cscript", "//nologo", "products.js"}));
    for (std::string line; std::getline(lines, line);) {
      const std::size_t tab1 = line.find('\t');
      const std::size_t tab2 = line.find('\t', tab1 + 1);
      if (tab2 == std::string::npos) continue;
      products[line.substr(0, tab1)] = {line.substr(tab1 + 1, tab2 - tab1 - 1),
                                        line.substr(tab2 + 1)};
    }
    return products;
  }

  // What Wine's registry reports of the Uninstall entries in a view, by key name.
  static std::map<std::string, NameAndVersion> UninstallEntries(const std::string& view) {
    std::map<std::string, NameAndVersion> entries;
    std::string output;
    try {
      output = Wine({"reg", "query", std::string(kUninstall), "/s", view});
    } catch (const std::runtime_error&) {
      return entries;  // the view has no Uninstall key
    }
    std::istringstream lines(output);
    std::string key;
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("HKEY_")) {
        key = line.substr(line.rfind('\\') + 1);
        continue;
      }
      // "    Name    REG_SZ    Value"
      const std::size_t type = line.find("    REG_SZ    ");
      if (type == std::string::npos || !line.starts_with("    ")) continue;
      const std::string name = line.substr(4, type - 4);
      const std::string value = line.substr(type + 14);
      if (name == "DisplayName") entries[key].first = value;
      if (name == "DisplayVersion") entries[key].second = value;
    }
    return entries;
  }

  // Every file of the prefix with its size, time and bytes of the registry files.
  static std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(Prefix())) {
      struct stat info {};
      if (::lstat(entry.path().c_str(), &info) != 0) continue;
      std::string facts = std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) +
                          "." + std::to_string(info.st_mtim.tv_nsec) + " " +
                          std::to_string(info.st_mode);
      if (entry.path().extension() == ".reg") facts += "\n" + test::ReadFileBytes(entry.path());
      files[fs::relative(entry.path(), Prefix()).string()] = facts;
    }
    return files;
  }

  inline static test::TempDir* work_ = nullptr;
};

TEST_F(RealWinePrefixTest, ScanListsWhatWinesInstallerAndRegistryReportAndChangesNothing) {
  const auto products = InstallerProducts();
  ASSERT_EQ(products.size(), 1u) << "the package was not installed";
  std::set<NameAndVersion> expected;
  for (const auto& [code, program] : products) expected.insert(program);
  for (const std::string view : {"/reg:64", "/reg:32"}) {
    for (const auto& [key, program] : UninstallEntries(view)) {
      // The installer's own products are listed as products only.
      if (!products.contains(key)) expected.insert(program);
    }
  }
  EXPECT_TRUE(expected.contains(NameAndVersion{"Alpha Notizblock", "1.2.3"}));
  EXPECT_TRUE(expected.contains(NameAndVersion{"Lintrove Weinprobe", "3.1.4"}));
  EXPECT_TRUE(expected.contains(NameAndVersion{"Lintrove Weinprobe 32 Bit", "2.7"}));
  // Wine's own tools ran the server again.
  WineServer("-w");

  const auto before = Snapshot();
  test::TempDir store;
  platform::PosixRegistry registry(store.Path());
  platform::PosixInstallerDatabase installer(registry);
  std::ostringstream out, err;
  std::istringstream in;
  CommandContext context{registry, out, err, in, false};
  const std::vector<std::string> args = {"--json", "--wine-prefix", Prefix().string()};
  ASSERT_EQ(RunScanCommand(args, context, installer, false), 0) << err.str();

  std::set<NameAndVersion> scanned;
  std::map<std::string, std::string> productCodes;
  for (const auto& program : nlohmann::json::parse(out.str())) {
    const auto text = [&](const char* name) { return program[name].get<std::string>(); };
    if (text("class") == "tWindowsInstallerProgramm") {
      scanned.insert({text("ProductName"), text("VersionString")});
      productCodes[text("ProduktGuid")] = text("ProductName");
    } else {
      scanned.insert({text("DisplayName"), text("DisplayVersion")});
    }
  }
  EXPECT_EQ(scanned, expected) << out.str();
  for (const auto& [code, program] : products) {
    EXPECT_EQ(productCodes[code], program.first) << code << "\n" << out.str();
  }
  EXPECT_EQ(Snapshot(), before) << "the prefix changed";
  EXPECT_FALSE(fs::exists(store.Path() / "HKEY_LOCAL_MACHINE.reg")) << "nothing stored of it";
}

}  // namespace
}  // namespace lintrove::cli
