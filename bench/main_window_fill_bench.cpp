// The desktop client from its start to the filled program list, on a machine of 30 programs and
// on one of 10,000: the window made and shown, the store read, the inventory taken off the GUI
// thread with its wait dialog, the list filled, sorted and painted. Runs on Qt's offscreen
// platform unless another is chosen. The two figures should differ by far less than the
// programs do: the GUI's own part must not grow with every program read.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/main_window.h"
#include "app/program_list.h"
#include "hive_builder.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/xdg_logon_entry.h"
#include "platform/regfile/reg_file.h"
#include "platform/regfile/reg_tree.h"
#include "settings/client_settings.h"

namespace lintrove {
namespace {

using bench::KeyAt;
using bench::Sz;
using platform::RegKey;
namespace RegType = platform::RegType;

// A machine's registry store with `programs` Uninstall entries in both views.
class BenchMachine {
 public:
  explicit BenchMachine(int programs) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "lintrove-fill-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;
    RegKey root("HKEY_LOCAL_MACHINE");
    RegKey& software = root.AddSubkey("SOFTWARE");
    RegKey& uninstall64 = KeyAt(software, "Microsoft\\Windows\\CurrentVersion\\Uninstall");
    RegKey& uninstall32 =
        KeyAt(software, "WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    for (int i = 0; i < programs; ++i) {
      RegKey& key = (i % 2 ? uninstall32 : uninstall64).AddSubkey("Entry " + std::to_string(i));
      // Names in no order, so that the sort has work to do.
      const std::string name = "Program " + std::to_string((i * 7919) % (programs * 3 + 1));
      key.SetValue("DisplayName", RegType::Sz, Sz(name));
      key.SetValue("DisplayVersion", RegType::Sz, Sz("1." + std::to_string(i % 40)));
      key.SetValue("Publisher", RegType::Sz, Sz("Publisher " + std::to_string(i % 300)));
      key.SetValue("UninstallString", RegType::Sz, Sz("\"C:\\" + name + "\\unins000.exe\""));
    }
    const std::vector<std::uint8_t> bytes = platform::FormatRegFile(root, "HKEY_LOCAL_MACHINE");
    std::ofstream(directory_ / "HKEY_LOCAL_MACHINE.reg", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  ~BenchMachine() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  BenchMachine(const BenchMachine&) = delete;
  BenchMachine& operator=(const BenchMachine&) = delete;

  const std::filesystem::path& Directory() const { return directory_; }

 private:
  std::filesystem::path directory_;
};

// One start: the store read afresh, the window shown, and its first scan waited for.
int StartAndFill(const BenchMachine& machine) {
  platform::PosixRegistry registry(machine.Directory());
  platform::PosixInstallerDatabase installer(registry);
  platform::XdgLogonEntry logon("lintrove", machine.Directory() / "autostart");
  ClientSettings settings(registry, logon);
  settings.dat_lastcheck = 0.0;
  settings.bol_uptodatehinweis = true;
  app::MainWindow window(settings, {registry, installer});
  QEventLoop loop;
  QObject::connect(&window, &app::MainWindow::scanFinished, &loop, &QEventLoop::quit);
  window.show();
  loop.exec();
  // Until the list has been painted with its rows.
  window.repaint();
  return window.Programs().model()->rowCount();
}

void BM_StartToFilledList(benchmark::State& state) {
  const BenchMachine machine(static_cast<int>(state.range(0)));
  int rows = 0;
  for (auto _ : state) rows = StartAndFill(machine);
  state.counters["rows"] = rows;
}
BENCHMARK(BM_StartToFilledList)
    ->ArgName("programs")
    ->Arg(30)
    ->Arg(10'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace lintrove

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
