// The program list of the main window with the records of a large machine after an update
// check: 1,000 and 10,000 programs of mixed statuses, one in twenty ignored. Measures Fill
// (marks read, sorted, filtered) up to the list being laid out and painted, and a click on a
// filter button on 10,000 rows. Runs on Qt's offscreen platform unless another is chosen.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/program_list.h"
#include "inventory/registry_program.h"
#include "platform/posix/posix_registry.h"
#include "settings/registry_persistent_settings.h"

namespace lintrove {
namespace {

constexpr int kIgnoredEvery = 20;

// A registry store of its own, removed at the end of the run.
class BenchRegistry {
 public:
  BenchRegistry() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "lintrove-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;
    registry_ = std::make_unique<platform::PosixRegistry>(directory_);
  }
  ~BenchRegistry() {
    registry_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  BenchRegistry(const BenchRegistry&) = delete;
  BenchRegistry& operator=(const BenchRegistry&) = delete;

  platform::PosixRegistry& Get() { return *registry_; }

 private:
  std::filesystem::path directory_;
  std::unique_ptr<platform::PosixRegistry> registry_;
};

// Names in no order, of both cases and with shared beginnings, as installed software has them.
std::string ProgramName(std::uint32_t& seed, int index) {
  static constexpr const char* kVendors[] = {"Microsoft", "adobe",    "Mozilla", "Oracle",
                                             "7-Zip",     "VideoLAN", "Python",  "tools"};
  seed = seed * 1664525u + 1013904223u;
  std::string name = kVendors[(seed >> 8) % std::size(kVendors)];
  name += ' ';
  for (int letter = 0; letter < 6; ++letter) {
    seed = seed * 1664525u + 1013904223u;
    name += static_cast<char>('a' + (seed >> 16) % 26);
  }
  return name + ' ' + std::to_string(index % 97);
}

// The records with their statuses as an update check leaves them; every kIgnoredEvery-th
// program is marked in the store.
VerdictList MakeRecords(int count, platform::RegistryBackend& registry) {
  static constexpr ProgramStatus kStatuses[] = {
      ProgramStatus::Current,    ProgramStatus::Current, ProgramStatus::Current,
      ProgramStatus::Unknown,    ProgramStatus::Unknown, ProgramStatus::Unsupported,
      ProgramStatus::NewVersion, ProgramStatus::Current};
  platform::Registry marks(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                           registry);
  if (!marks.OpenKey(IgnoreKey, true)) throw std::runtime_error("no ignore key");
  VerdictList records;
  std::uint32_t seed = 12345;
  for (int i = 0; i < count; ++i) {
    auto program = std::make_unique<RegistryProgram>();
    program->DisplayName = ProgramName(seed, i);
    program->DisplayVersion = "1." + std::to_string(i);
    program->RegistryKey = "{key-" + std::to_string(i) + "}";
    if (i % kIgnoredEvery == 0) marks.WriteInteger(program->GetIdentifier(), 1);
    auto record = std::make_unique<ProgramVerdict>();
    record->program = std::move(program);
    record->status = kStatuses[static_cast<std::size_t>(i) % std::size(kStatuses)];
    records.Add(std::move(record));
  }
  marks.CloseKey();
  return records;
}

// A shown list of a main window's size, with everything it had to do before done.
struct ShownList {
  explicit ShownList(platform::RegistryBackend& registry) : list(nullptr, registry) {
    list.resize(320, 600);
    list.show();
    QApplication::processEvents();
  }
  app::ProgramList list;
};

void BM_Fill(benchmark::State& state) {
  BenchRegistry registry;
  const VerdictList records = MakeRecords(static_cast<int>(state.range(0)), registry.Get());
  ShownList shown(registry.Get());
  for (auto _ : state) {
    shown.list.Fill(records, StatusFilter{});
    // The layout and the first paint, which a rebuild defers to the event loop.
    QApplication::processEvents();
  }
  benchmark::DoNotOptimize(shown.list.model()->rowCount());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Fill)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);

// A click on the up-to-date button, down and up in turn: most rows of a checked machine come and
// go.
void BM_ApplyFilterToggle(benchmark::State& state) {
  BenchRegistry registry;
  const VerdictList records = MakeRecords(static_cast<int>(state.range(0)), registry.Get());
  ShownList shown(registry.Get());
  StatusFilter filter;
  shown.list.Fill(records, filter);
  QApplication::processEvents();
  for (auto _ : state) {
    filter.current = !filter.current;
    shown.list.ApplyFilter(filter);
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ApplyFilterToggle)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintrove

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
