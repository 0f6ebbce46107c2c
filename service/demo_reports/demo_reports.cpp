#include "demo_reports.h"

#include <cstdint>
#include <cstdio>
#include <memory>

#include "flows/scan_flow.h"
#include "inventory/installer_program.h"
#include "inventory/registry_program.h"
#include "platform/posix/posix_installer_database.h"
#include "protocol/request_documents.h"

namespace lintrove::demo {
namespace {

constexpr int kMachines = 8;

// What the simulated machines have of one program of the demo machine.
enum class Story {
  NewRelease,      // most have the next patch release; two even the one after
  SameOrOlder,     // the same version or an older one
  Rare,            // one machine alone has it: not known to the catalog
  PreReleaseOnly,  // the newer version is a beta
  NextMajor,       // the newer version is an upgrade
  NewAndBeta,      // a patch release, and a beta of the next minor version beyond it
};

// Picked by the program's identifier: about a third newer, a third the same, the rest the
// special cases.
constexpr Story kStories[] = {Story::NewRelease,  Story::SameOrOlder, Story::SameOrOlder,
                              Story::NewRelease,  Story::Rare,        Story::PreReleaseOnly,
                              Story::SameOrOlder, Story::NextMajor,   Story::NewRelease,
                              Story::NewAndBeta};

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

struct NumberRun {
  std::size_t begin;
  std::size_t length;
};

std::vector<NumberRun> NumberRuns(const std::string& version) {
  std::vector<NumberRun> runs;
  for (std::size_t i = 0; i < version.size();) {
    if (version[i] < '0' || version[i] > '9') {
      ++i;
      continue;
    }
    const std::size_t begin = i;
    while (i < version.size() && version[i] >= '0' && version[i] <= '9') ++i;
    runs.push_back({begin, i - begin});
  }
  return runs;
}

// The number of one run changed by `delta`, keeping its width ("01" + 1 is "02").
void AddToRun(std::string& version, const NumberRun& run, long long delta) {
  const long long value = std::stoll(version.substr(run.begin, run.length)) + delta;
  char digits[32];
  std::snprintf(digits, sizeof digits, "%0*lld", static_cast<int>(run.length), value);
  version.replace(run.begin, run.length, digits);
}

// Raises the run at `index` by `delta` and zeroes the runs after it.
std::string Raised(std::string version, std::size_t index, long long delta) {
  const std::vector<NumberRun> runs = NumberRuns(version);
  if (runs.empty()) return version;
  index = std::min(index, runs.size() - 1);
  for (std::size_t i = runs.size(); i-- > index + 1;) {
    version.replace(runs[i].begin, runs[i].length, std::string(runs[i].length, '0'));
  }
  AddToRun(version, runs[index], delta);
  return version;
}

std::string NextPatch(const std::string& version, int steps) {
  return Raised(version, NumberRuns(version).size() - 1, steps);
}

std::string NextMinor(const std::string& version) { return Raised(version, 1, 1); }

std::string NextMajor(const std::string& version) { return Raised(version, 0, 1); }

// The last number that is not zero, lowered by one: an older release.
std::string Older(std::string version) {
  const std::vector<NumberRun> runs = NumberRuns(version);
  for (std::size_t i = runs.size(); i-- > 0;) {
    if (std::stoll(version.substr(runs[i].begin, runs[i].length)) > 0) {
      AddToRun(version, runs[i], -1);
      break;
    }
  }
  return version;
}

// The version machine `machine` (1 to kMachines) has of a program with this story, or none.
std::optional<std::string> VersionOnMachine(Story story, const std::string& installed,
                                            int machine) {
  switch (story) {
    case Story::NewRelease:
      if (machine <= 4) return NextPatch(installed, 1);
      if (machine <= 6) return NextPatch(installed, 2);
      if (machine == 7) return Older(installed);
      return std::nullopt;
    case Story::SameOrOlder:
      if (machine <= 4) return installed;
      if (machine <= 6) return Older(installed);
      return std::nullopt;
    case Story::Rare:
      if (machine == 1) return installed;
      return std::nullopt;
    case Story::PreReleaseOnly:
      if (machine <= 3) return NextMinor(installed) + "-beta1";
      if (machine <= 6) return installed;
      return Older(installed);
    case Story::NextMajor:
      if (machine <= 3) return NextMajor(installed);
      if (machine <= 5) return installed;
      return std::nullopt;
    case Story::NewAndBeta:
      if (machine <= 3) return NextPatch(installed, 1);
      if (machine <= 6) return NextMinor(installed) + "-rc1";
      return installed;
  }
  return std::nullopt;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The program as that machine has it: another version, its names following where they hold
// the version.
std::unique_ptr<Program> InVersion(const Program& program, const std::string& version) {
  if (const auto* entry = dynamic_cast<const RegistryProgram*>(&program)) {
    auto copy = std::make_unique<RegistryProgram>(*entry);
    ReplaceAll(copy->DisplayName, entry->DisplayVersion, version);
    copy->DisplayVersion = version;
    return copy;
  }
  const auto& product = dynamic_cast<const InstallerProgram&>(program);
  auto copy = std::make_unique<InstallerProgram>(product);
  ReplaceAll(copy->ProductName, product.VersionString, version);
  ReplaceAll(copy->InstalledProductName, product.VersionString, version);
  copy->VersionString = version;
  return copy;
}

ClientFacts MachineFacts(int machine) {
  ClientFacts facts;
  facts.version = "1.4.0.0";
  char guid[40];
  std::snprintf(guid, sizeof guid, "{D3E1D3E1-0000-4000-8000-%012d}", machine);
  facts.guid = guid;
  facts.lcid = machine % 2 == 0 ? 0x0409 : 0x0407;
  facts.windows_version = "10.0.19045 2";
  facts.windows64 = true;
  facts.upgrades = machine % 3 != 0;
  facts.betas = machine % 4 == 0;
  return facts;
}

}  // namespace

std::vector<DemoReport> MakeDemoReports(platform::RegistryBackend& registry) {
  platform::PosixInstallerDatabase installer(registry);
  // As the client scans by default: without the installer's extended information.
  const VerdictList records = ScanInventory(registry, installer, false, nullptr);

  std::vector<DemoReport> reports;
  for (int machine = 1; machine <= kMachines; ++machine) {
    std::vector<std::unique_ptr<Program>> programs;
    for (const auto& record : records) {
      const Program& program = *record->program;
      const std::string installed = program.GetVersion();
      if (installed.empty()) continue;
      const Story story = kStories[Fnv1a(program.GetIdentifier()) % std::size(kStories)];
      if (const auto version = VersionOnMachine(story, installed, machine)) {
        programs.push_back(InVersion(program, *version));
      }
    }
    ProgramRefList sent;
    for (const auto& program : programs) sent.Add(program.get());
    char name[32];
    std::snprintf(name, sizeof name, "client-%02d.xml", machine);
    reports.push_back({name, BuildStep1Request(sent, MachineFacts(machine))});
  }
  return reports;
}

}  // namespace lintrove::demo
