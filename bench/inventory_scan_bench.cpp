// Takes the inventory of a large machine: 10,000 Uninstall entries in both views, 2,000 of them
// Windows Installer products registered where the installer keeps them. Measures the scan of a
// store already in memory and the whole of it from the file (load and scan), with the peak
// resident memory of the process.

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sstream>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/text.h"
#include "hive_builder.h"
#include "inventory/installer_finder.h"
#include "inventory/registry_finder.h"
#include "platform/installer_database.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "platform/regfile/reg_file.h"
#include "platform/regfile/reg_tree.h"
#include "scan_command.h"

namespace lintrove {
namespace {

using platform::RegKey;
namespace RegType = platform::RegType;

constexpr int kUninstallEntries = 10'000;
constexpr int kInstallerProducts = 2'000;

using bench::Dword;
using bench::KeyAt;
using bench::Sz;

std::string ProductCode(int i) {
  char code[40];
  std::snprintf(code, sizeof code, "{%08X-1A2B-4C3D-8E9F-%012X}", 0x5EED0000u + i, i * 7919u);
  return code;
}

void AddUninstallEntry(RegKey& uninstall, const std::string& name, int i) {
  RegKey& key = uninstall.AddSubkey(name);
  const std::string program = "Program " + std::to_string(i);
  key.SetValue("DisplayName", RegType::Sz, Sz(program));
  key.SetValue("DisplayVersion", RegType::Sz,
               Sz(std::to_string(i % 40) + ".2." + std::to_string(i)));
  key.SetValue("Publisher", RegType::Sz, Sz("Publisher " + std::to_string(i % 300)));
  key.SetValue("DisplayIcon", RegType::ExpandSz, Sz("%ProgramFiles%\\" + program + "\\app.exe,0"));
  key.SetValue("InstallLocation", RegType::Sz, Sz("C:\\Program Files\\" + program + "\\"));
  key.SetValue("UninstallString", RegType::Sz,
               Sz("\"C:\\Program Files\\" + program + "\\unins000.exe\""));
  key.SetValue("URLInfoAbout", RegType::Sz, Sz("https://example.org/" + std::to_string(i)));
  key.SetValue("VersionMajor", RegType::Dword, Dword(static_cast<std::uint32_t>(i % 40)));
  key.SetValue("VersionMinor", RegType::Dword, Dword(2));
  key.SetValue("EstimatedSize", RegType::Dword, Dword(static_cast<std::uint32_t>(i * 13)));
  key.SetValue("NoModify", RegType::Dword, Dword(1));
  // Every tenth one is hidden from the list, as on real machines.
  if (i % 10 == 3) key.SetValue("SystemComponent", RegType::Dword, Dword(1));
}

void AddInstallerProduct(RegKey& software, RegKey& uninstall, int i) {
  const std::string code = ProductCode(i);
  const std::string packed = platform::PackGuid(code).value();
  const std::string name = "Installer Product " + std::to_string(i);
  RegKey& arp = uninstall.AddSubkey(code);
  arp.SetValue("DisplayName", RegType::Sz, Sz(name));
  arp.SetValue("UninstallString", RegType::ExpandSz, Sz("MsiExec.exe /X" + code));
  arp.SetValue("WindowsInstaller", RegType::Dword, Dword(1));

  RegKey& product = KeyAt(software, "Classes\\Installer\\Products\\" + packed);
  product.SetValue("ProductName", RegType::Sz, Sz(name));
  product.SetValue("PackageCode", RegType::Sz,
                   Sz(platform::PackGuid(ProductCode(i + 50'000)).value()));
  product.SetValue("Language", RegType::Dword, Dword(1033));
  product.SetValue("Version", RegType::Dword, Dword(0x01020000u + static_cast<std::uint32_t>(i)));
  product.SetValue("ProductIcon", RegType::Sz,
                   Sz("C:\\Windows\\Installer\\" + code + "\\icon.exe"));
  product.AddSubkey("SourceList")
      .SetValue("PackageName", RegType::Sz, Sz("product" + std::to_string(i) + ".msi"));

  RegKey& properties = KeyAt(
      software, "Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\" +
                    packed + "\\InstallProperties");
  properties.SetValue("DisplayName", RegType::Sz, Sz(name));
  properties.SetValue("DisplayVersion", RegType::Sz, Sz("1.2." + std::to_string(i)));
  properties.SetValue("Publisher", RegType::Sz, Sz("Publisher " + std::to_string(i % 300)));
  properties.SetValue("InstallLocation", RegType::Sz, Sz("C:\\Program Files\\" + name + "\\"));
  properties.SetValue("URLInfoAbout", RegType::Sz,
                      Sz("https://example.org/msi/" + std::to_string(i)));
  properties.SetValue("VersionMajor", RegType::Dword, Dword(1));
  properties.SetValue("VersionMinor", RegType::Dword, Dword(2));
  properties.SetValue("Contact", RegType::Sz, Sz("support@example.org"));
  KeyAt(software,
        "Classes\\Installer\\UpgradeCodes\\" + platform::PackGuid(ProductCode(i + 90'000)).value())
      .SetValue(packed, RegType::Sz, Sz(""));
}

// Written by a child process, so that building the file does not count in the peak memory.
void WriteMachine(const std::filesystem::path& file) {
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    RegKey root("HKEY_LOCAL_MACHINE");
    RegKey& software = root.AddSubkey("SOFTWARE");
    RegKey& uninstall64 = KeyAt(software, "Microsoft\\Windows\\CurrentVersion\\Uninstall");
    RegKey& uninstall32 =
        KeyAt(software, "WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    for (int i = 0; i < kInstallerProducts; ++i) {
      AddInstallerProduct(software, i % 2 ? uninstall32 : uninstall64, i);
    }
    for (int i = kInstallerProducts; i < kUninstallEntries; ++i) {
      AddUninstallEntry(i % 2 ? uninstall32 : uninstall64, "Entry " + std::to_string(i), i);
    }
    std::vector<std::uint8_t> bytes = platform::FormatRegFile(root, "HKEY_LOCAL_MACHINE");
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("generator failed");
}

class Machine {
 public:
  Machine()
      : directory_(std::filesystem::temp_directory_path() /
                   ("inventory-bench-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(directory_);
    WriteMachine(directory_ / "HKEY_LOCAL_MACHINE.reg");
  }
  ~Machine() { std::filesystem::remove_all(directory_); }
  const std::filesystem::path& Directory() const { return directory_; }
  double FileMegabytes() const {
    return static_cast<double>(std::filesystem::file_size(directory_ / "HKEY_LOCAL_MACHINE.reg")) /
           (1 << 20);
  }

 private:
  std::filesystem::path directory_;
};

Machine& TheMachine() {
  static Machine machine;
  return machine;
}

enum Sources { kBoth, kInstallerOnly, kRegistryOnly };

int Scan(platform::RegistryBackend& registry, bool extended, Sources sources = kBoth) {
  platform::PosixInstallerDatabase installer(registry);
  ProgramList list;
  int reports = 0;
  ProgressFunction count([&reports](const ProgressReport&) { ++reports; });
  if (sources != kRegistryOnly) {
    InstallerFinder installerFinder(installer);
    installerFinder.extended_info = extended;
    installerFinder.progress = &count;
    installerFinder.Find(list);
  }
  if (sources != kInstallerOnly) {
    RegistryFinder registryFinder(registry);
    registryFinder.progress = &count;
    registryFinder.Find(list);
  }
  benchmark::DoNotOptimize(reports);
  return list.Count();
}

double PeakRssMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024;
}

// The store is in memory already, as it is for the desktop client's second scan.
void BM_ScanLoadedStore(benchmark::State& state) {
  platform::PosixRegistry registry(TheMachine().Directory());
  const bool extended = state.range(0) != 0;
  int programs = Scan(registry, extended);
  for (auto _ : state) programs = Scan(registry, extended);
  state.counters["programs"] = programs;
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}
BENCHMARK(BM_ScanLoadedStore)
    ->ArgName("extended")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Each source on its own, to show where the time of a scan goes.
void BM_ScanOneSource(benchmark::State& state) {
  platform::PosixRegistry registry(TheMachine().Directory());
  const auto sources = static_cast<Sources>(state.range(0));
  int programs = Scan(registry, false, sources);
  for (auto _ : state) programs = Scan(registry, false, sources);
  state.counters["programs"] = programs;
}
BENCHMARK(BM_ScanOneSource)
    ->ArgName("installer1_registry2")
    ->Arg(kInstallerOnly)
    ->Arg(kRegistryOnly)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Reading the file and scanning: what `lintrove-cli scan` does.
void BM_LoadAndScan(benchmark::State& state) {
  int programs = 0;
  for (auto _ : state) {
    platform::PosixRegistry registry(TheMachine().Directory());
    programs = Scan(registry, false);
  }
  state.counters["programs"] = programs;
  state.counters["file_MB"] = TheMachine().FileMegabytes();
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}
BENCHMARK(BM_LoadAndScan)->Unit(benchmark::kMillisecond)->UseRealTime();

// `lintrove-cli scan` on the loaded store, as a table and as JSON: beside BM_ScanLoadedStore it
// shows what writing the output costs.
void BM_ScanCommand(benchmark::State& state) {
  platform::PosixRegistry registry(TheMachine().Directory());
  platform::PosixInstallerDatabase installer(registry);
  const std::vector<std::string> args =
      state.range(0) != 0 ? std::vector<std::string>{"--json"} : std::vector<std::string>{};
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    cli::CommandContext context{registry, out, err, in, false};
    if (cli::RunScanCommand(args, context, installer, false) != 0) state.SkipWithError("failed");
    bytes = out.str().size();
  }
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ScanCommand)->ArgName("json")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintrove

BENCHMARK_MAIN();
