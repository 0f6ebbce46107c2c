// Loads a regedit export the size of a large machine's SOFTWARE hive (about 50 MB of UTF-16LE)
// into the registry tree, and reads back every value of one subtree. Imports the same file into
// an empty store as "reg import" does, in a process of its own whose peak memory is reported.
// Loads one key with 200,000 subkeys listed in order and shuffled.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "base/text.h"
#include "hive_builder.h"
#include "platform/posix/posix_registry.h"
#include "platform/regfile/reg_file.h"
#include "platform/regfile/reg_tree.h"

namespace lintrove::platform {
namespace {

constexpr std::size_t kTargetFileSize = 50u << 20;
constexpr std::string_view kReadSubtree = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

using bench::Dword;
using bench::KeyAt;
using bench::Sz;

// Deterministic content shaped like a real SOFTWARE hive: COM classes several levels deep,
// uninstall entries with wrapped hex(2) strings, installer components, binary blobs, and keys
// with thousands of values.
class HiveGenerator {
 public:
  explicit HiveGenerator(RegKey& root) : root_(root) {}

  void AddUntil(std::size_t approximateBytes) {
    for (int i = 0; 2 * charCount_ < approximateBytes; ++i) {
      AddComClass(i);
      AddInterface();
      if (i % 4 == 0) AddUninstallEntry(i);
      if (i % 2 == 0) AddInstallerComponent(i);
      if (i % 3 == 0) AddFileType(i);
      if (i % 20000 == 0) AddManyValues(i);
    }
  }

 private:
  std::string Guid() {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", Next32(), Next32() & 0xFFFF,
                  Next32() & 0xFFFF, Next32() & 0xFFFF,
                  static_cast<unsigned long long>(random_()) & 0xFFFFFFFFFFFFull);
    return text;
  }
  std::uint32_t Next32() { return static_cast<std::uint32_t>(random_()); }
  std::string Word() {
    static constexpr std::string_view kWords[] = {
        "Contoso", "Fabrikam", "Media",   "Player", "Update", "Service", "Helper", "Shell",
        "Viewer",  "Engine",   "Network", "Office", "Print",  "Audio",   "Sync",   "Tools"};
    return std::string(kWords[Next32() % std::size(kWords)]);
  }

  void Set(RegKey& key, std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data) {
    const std::size_t dataChars = type == RegType::Sz      ? data.size() / 2
                                  : type == RegType::Dword ? 14
                                                           : data.size() * 3 + 8;
    charCount_ += name.size() + 4 + dataChars;
    key.SetValue(name, type, std::move(data));
  }
  RegKey& Key(std::string_view path) {
    charCount_ += path.size() + 40;
    return KeyAt(root_, path);
  }

  void AddComClass(int i) {
    const std::string clsid = "SOFTWARE\\Classes\\CLSID\\" + Guid();
    const std::string name = Word() + " " + Word() + " Class";
    Set(Key(clsid), "", RegType::Sz, Sz(name));
    RegKey& server = Key(clsid + "\\InprocServer32");
    Set(server, "", i % 3 ? RegType::Sz : RegType::ExpandSz,
        Sz("%SystemRoot%\\System32\\" + Word() + std::to_string(i) + ".dll"));
    Set(server, "ThreadingModel", RegType::Sz, Sz(i % 2 ? "Both" : "Apartment"));
    Set(Key(clsid + "\\ProgID"), "", RegType::Sz, Sz(Word() + "." + Word() + ".1"));
    Key(clsid + "\\Implemented Categories\\" + Guid());
    if (i % 25 == 0) {
      std::vector<std::uint8_t> blob(40 + Next32() % 160);
      for (auto& byte : blob) byte = static_cast<std::uint8_t>(Next32());
      Set(Key(clsid), "Data", RegType::Binary, std::move(blob));
    }
  }

  void AddInterface() {
    const std::string interface = "SOFTWARE\\Classes\\Interface\\" + Guid();
    Set(Key(interface), "", RegType::Sz, Sz("I" + Word() + Word()));
    Set(Key(interface + "\\ProxyStubClsid32"), "", RegType::Sz, Sz(Guid()));
    RegKey& typeLib = Key(interface + "\\TypeLib");
    Set(typeLib, "", RegType::Sz, Sz(Guid()));
    Set(typeLib, "Version", RegType::Sz, Sz("1.0"));
  }

  void AddUninstallEntry(int i) {
    const std::string guid = Guid();
    RegKey& key = Key(std::string(kReadSubtree) + "\\" + guid);
    const std::string product = Word() + " " + Word() + " " + std::to_string(i % 30);
    Set(key, "DisplayName", RegType::Sz, Sz(product));
    Set(key, "DisplayVersion", RegType::Sz, Sz(std::to_string(i % 17) + "." + std::to_string(i)));
    Set(key, "Publisher", RegType::Sz, Sz(Word() + " Corporation"));
    Set(key, "InstallDate", RegType::Sz, Sz("2023" + std::to_string(1010 + i % 1200)));
    Set(key, "InstallLocation", RegType::Sz, Sz("C:\\Program Files\\" + product + "\\"));
    Set(key, "UninstallString", RegType::ExpandSz, Sz("MsiExec.exe /X" + guid));
    Set(key, "ModifyPath", RegType::ExpandSz, Sz("MsiExec.exe /I" + guid));
    Set(key, "EstimatedSize", RegType::Dword, Dword(Next32() % 500000));
    Set(key, "NoModify", RegType::Dword, Dword(1));
    Set(key, "Language", RegType::Dword, Dword(1031));
    Set(key, "VersionMajor", RegType::Dword, Dword(i % 17));
  }

  void AddInstallerComponent(int i) {
    char packed[40];
    std::snprintf(packed, sizeof packed, "%08X%08X%08X%08X", Next32(), Next32(), Next32(),
                  Next32());
    RegKey& key =
        Key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\"
            "Components\\" +
            std::string(packed));
    for (int k = 0; k < 1 + i % 3; ++k) {
      std::snprintf(packed, sizeof packed, "%08X%08X%08X%08X", Next32(), Next32(), Next32(),
                    Next32());
      Set(key, packed, RegType::Sz,
          Sz("C:\\Program Files\\" + Word() + "\\" + Word() + "\\bin\\" + Word() + ".dll"));
    }
  }

  void AddFileType(int i) {
    const std::string extension = ".x" + std::to_string(i);
    RegKey& key = Key("SOFTWARE\\Classes\\" + extension);
    Set(key, "", RegType::Sz, Sz(Word() + ".File"));
    Set(key, "Content Type", RegType::Sz, Sz("application/x-" + Word()));
    Set(Key("SOFTWARE\\Classes\\" + extension + "\\OpenWithProgids"), Word() + ".File",
        RegType::None, {});
  }

  void AddManyValues(int i) {
    RegKey& shared = Key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    for (int k = 0; k < 5000; ++k) {
      Set(shared,
          "C:\\Program Files\\Common Files\\" + Word() + "\\" + std::to_string(i) + "_" +
              std::to_string(k) + ".dll",
          RegType::Dword, Dword(1 + k % 3));
    }
  }

  RegKey& root_;
  std::mt19937_64 random_{20240611};
  std::size_t charCount_ = 0;  // of the file to be, an estimate that steers its size
};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return bytes;
}

long PeakRssKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Taken before any benchmark runs: the library runs each benchmark function more than once.
const long kRssAtStartKilobytes = PeakRssKilobytes();

// The file is made once per run. A child process builds it, so that the tree it needs for that
// does not count towards this process's peak memory, which the load benchmark reports.
class HiveFile {
 public:
  HiveFile() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "lintrove-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;
    path_ = directory_ / "HKEY_LOCAL_MACHINE.reg";
    const pid_t child = fork();
    if (child == 0) {
      RegKey root("HKEY_LOCAL_MACHINE");
      HiveGenerator(root).AddUntil(kTargetFileSize);
      const auto bytes = FormatRegFile(root, "HKEY_LOCAL_MACHINE");
      std::ofstream out(path_, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
      out.close();
      std::_Exit(out ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      throw std::runtime_error("could not generate " + path_.string());
    }
  }
  ~HiveFile() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path directory_;
  std::filesystem::path path_;
};

const HiveFile& TheHiveFile() {
  static const HiveFile file;
  return file;
}

std::unique_ptr<RegKey> LoadHive(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = ReadFile(path);
  auto root = std::make_unique<RegKey>("HKEY_LOCAL_MACHINE");
  RegTreeBuilder builder(RootKey::LocalMachine, *root, path.string());
  ParseRegFile(bytes, path.string(), builder);
  return root;
}

struct TreeSize {
  std::size_t keys = 0;
  std::size_t values = 0;
};

void CountTree(const RegKey& key, TreeSize& size) {
  ++size.keys;
  size.values += key.Values().size();
  for (const auto& subkey : key.Subkeys()) CountTree(*subkey, size);
}

void BM_LoadRegistryFile(benchmark::State& state) {
  const auto& path = TheHiveFile().Path();
  const auto fileSize = static_cast<double>(std::filesystem::file_size(path));
  TreeSize size;
  for (auto _ : state) {
    auto root = LoadHive(path);
    benchmark::DoNotOptimize(root.get());
    // Counting, and freeing millions of keys and values, is not part of loading.
    state.PauseTiming();
    size = {};
    CountTree(*root, size);
    root.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize));
  const double peakBytes = 1024.0 * static_cast<double>(PeakRssKilobytes());
  state.counters["keys"] = static_cast<double>(size.keys);
  state.counters["values"] = static_cast<double>(size.values);
  state.counters["file_MB"] = fileSize / (1 << 20);
  state.counters["rss_at_start_MB"] = static_cast<double>(kRssAtStartKilobytes) / 1024;
  state.counters["peak_rss_MB"] = peakBytes / (1 << 20);
  state.counters["peak_per_file_size"] = peakBytes / fileSize;
}
BENCHMARK(BM_LoadRegistryFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

std::size_t ReadValues(const RegKey& key, std::size_t& valueCount) {
  std::size_t textBytes = 0;
  for (const RegValue& value : key.Values()) {
    ++valueCount;
    if (value.type == RegType::Sz || value.type == RegType::ExpandSz ||
        value.type == RegType::MultiSz) {
      const std::string text = Utf16LeToUtf8(value.data);
      textBytes += text.size();
    } else {
      textBytes += value.data.size();
    }
  }
  for (const auto& subkey : key.Subkeys()) textBytes += ReadValues(*subkey, valueCount);
  return textBytes;
}

void BM_ReadUninstallSubtree(benchmark::State& state) {
  static const std::unique_ptr<RegKey> root = LoadHive(TheHiveFile().Path());
  const RegKey* subtree = root.get();
  for (std::string_view path = kReadSubtree; subtree && !path.empty();) {
    const std::size_t separator = path.find('\\');
    subtree = subtree->FindSubkey(path.substr(0, separator));
    path = separator == std::string_view::npos ? "" : path.substr(separator + 1);
  }
  if (!subtree) {
    state.SkipWithError("subtree missing");
    return;
  }
  std::size_t valueCount = 0;
  for (auto _ : state) {
    valueCount = 0;
    benchmark::DoNotOptimize(ReadValues(*subtree, valueCount));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * valueCount));
  state.counters["values"] = static_cast<double>(valueCount);
}
BENCHMARK(BM_ReadUninstallSubtree)->Unit(benchmark::kMillisecond);

// One key with this many subkeys, each with a value, as regedit text.
constexpr int kManySubkeys = 200'000;

std::vector<std::uint8_t> ManySubkeysFile(bool shuffled) {
  std::vector<int> order(kManySubkeys);
  for (int i = 0; i < kManySubkeys; ++i) order[i] = i;
  if (shuffled) std::shuffle(order.begin(), order.end(), std::mt19937_64(20240612));
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  char entry[128];
  for (const int i : order) {
    std::snprintf(entry, sizeof entry,
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Many\\Key%06d]\r\n\"v\"=dword:%08x\r\n\r\n", i,
                  i);
    text += entry;
  }
  return {text.begin(), text.end()};
}

// Shuffled subkeys cost about what ordered ones do: each is not moved into place on arrival.
// The order is asked for inside the timing, as the first enumeration sorts what came unordered.
void BM_LoadManySubkeys(benchmark::State& state) {
  const bool shuffled = state.range(0) != 0;
  const std::vector<std::uint8_t> bytes = ManySubkeysFile(shuffled);
  std::size_t subkeys = 0;
  for (auto _ : state) {
    auto root = std::make_unique<RegKey>("HKEY_LOCAL_MACHINE");
    RegTreeBuilder builder(RootKey::LocalMachine, *root, "many.reg");
    ParseRegFile(bytes, "many.reg", builder);
    subkeys = root->FindSubkey("SOFTWARE")->FindSubkey("Many")->Subkeys().size();
    benchmark::DoNotOptimize(subkeys);
    state.PauseTiming();
    root.reset();
    state.ResumeTiming();
  }
  state.SetLabel(shuffled ? "shuffled" : "ordered");
  state.counters["subkeys"] = static_cast<double>(subkeys);
}
BENCHMARK(BM_LoadManySubkeys)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr std::string_view kImportMode = "--import-into";

// What "reg import FILE" does, in a process that does nothing else: its peak memory is the
// import's.
int ImportOnce(const std::filesystem::path& file, const std::filesystem::path& registryDir) {
  PosixRegistry registry(registryDir);
  registry.Import(ReadFile(file), file.string(), RegistryView::Default);
  return 0;
}

void BM_ImportRegistryFile(benchmark::State& state) {
  const auto& path = TheHiveFile().Path();
  const auto fileSize = static_cast<double>(std::filesystem::file_size(path));
  const std::filesystem::path registryDir = path.parent_path() / "import";
  long peakKilobytes = 0;
  for (auto _ : state) {
    std::filesystem::remove_all(registryDir);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      execl("/proc/self/exe", "registry_load_bench", kImportMode.data(), path.c_str(),
            registryDir.c_str(), nullptr);
      std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      state.SkipWithError("the import failed");
      return;
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    peakKilobytes = std::max(peakKilobytes, usage.ru_maxrss);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize));
  const double peakBytes = 1024.0 * static_cast<double>(peakKilobytes);
  state.counters["file_MB"] = fileSize / (1 << 20);
  state.counters["peak_rss_MB"] = peakBytes / (1 << 20);
  state.counters["peak_per_file_size"] = peakBytes / fileSize;
}
BENCHMARK(BM_ImportRegistryFile)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3.0);

}  // namespace
}  // namespace lintrove::platform

int main(int argc, char** argv) {
  using namespace lintrove::platform;
  if (argc == 4 && argv[1] == kImportMode) return ImportOnce(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
