// The icon of a 200 MB program file, as the details panel asks for it: the location text
// expanded, the Windows path found on the drive, the icon group and its images read. Beside it,
// for comparison, the same file read whole, as the resource reader of language files does.
// Each runs with the file in the system's cache and, asking the system to drop the file's pages
// before every read, from the disk.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "inventory/program_icons.h"
#include "platform/pe/pe_resource_writer.h"
#include "platform/pe/pe_resources.h"
#include "platform/posix/posix_machine_files.h"
#include "platform/posix/posix_registry.h"

namespace lintrove {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPayloadSize = 200u << 20;

// A program file of 200 MB in a directory of its own that stands for drive C:: the built-in icon
// as its icon group, then a resource as large as a bundled installer, as in a setup program.
class BigProgram {
 public:
  BigProgram() {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("lintrove-icon-bench-" + std::to_string(random()));
    fs::create_directories(dir_ / "App");
    fs::create_directories(dir_ / "registry");
    const auto icon = QuestionMarkIcoBytes();
    std::vector<platform::ResourceToWrite> resources =
        platform::IconGroupResources(std::uint16_t{1}, icon, 1);
    resources.push_back({platform::kResourceTypeRcData, std::uint16_t{1},
                         std::vector<std::uint8_t>(kPayloadSize, 0x5A)});
    const std::vector<std::uint8_t> image = platform::WriteResourceModule(std::move(resources));
    std::ofstream(path(), std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
  }
  ~BigProgram() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  fs::path path() const { return dir_ / "App" / "setup.exe"; }
  const fs::path& drive() const { return dir_; }
  fs::path registry() const { return dir_ / "registry"; }

 private:
  fs::path dir_;
};

const BigProgram& Program() {
  static const BigProgram program;
  return program;
}

// Drops the file's pages from the system's cache, so that the next read comes from the disk.
void DropFromCache(const fs::path& path) {
  const int file = ::open(path.c_str(), O_RDONLY);
  if (file < 0) return;
  ::posix_fadvise(file, 0, 0, POSIX_FADV_DONTNEED);
  ::close(file);
}

// state.range(0): 1 to read from the disk.
void BM_IconOf200MbProgram(benchmark::State& state) {
  const bool from_disk = state.range(0) != 0;
  platform::PosixRegistry registry(Program().registry());
  platform::DriveMap drives;
  drives.Map('C', Program().drive());
  const platform::PosixMachineFiles machine(registry, std::move(drives), "anna");
  std::size_t icon_size = 0;
  for (auto _ : state) {
    if (from_disk) {
      state.PauseTiming();
      DropFromCache(Program().path());
      state.ResumeTiming();
    }
    const auto icon = IconFromLocation("\"C:\\APP\\Setup.exe\",0", machine);
    if (!icon) state.SkipWithError("no icon");
    icon_size = icon ? icon->IcoBytes().size() : 0;
    benchmark::DoNotOptimize(icon);
  }
  state.counters["file_MB"] = static_cast<double>(fs::file_size(Program().path())) / (1 << 20);
  state.counters["icon_bytes"] = static_cast<double>(icon_size);
}
BENCHMARK(BM_IconOf200MbProgram)
    ->ArgName("from_disk")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

void BM_WholeFileReadOf200MbProgram(benchmark::State& state) {
  const bool from_disk = state.range(0) != 0;
  for (auto _ : state) {
    if (from_disk) {
      state.PauseTiming();
      DropFromCache(Program().path());
      state.ResumeTiming();
    }
    const auto resources = platform::PeResources::Load(Program().path());
    benchmark::DoNotOptimize(resources.IconFile(0));
  }
}
BENCHMARK(BM_WholeFileReadOf200MbProgram)
    ->ArgName("from_disk")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
}  // namespace lintrove

BENCHMARK_MAIN();
