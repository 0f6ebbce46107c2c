#include "scan_command.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <vector>

#include "base/format.h"
#include "base/progress.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "command_runner.h"
#include "inventory/installed_programs.h"
#include "inventory/installer_finder.h"
#include "inventory/installer_program.h"
#include "inventory/registry_finder.h"
#include "json_output.h"
#include "machine_option.h"

namespace lintrove::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: lintrove-cli scan [--json] [--extended] [--wine-prefix DIR]\n"
    "\n"
    "Lists the installed programs as the desktop client finds them: the Windows Installer\n"
    "products first, then the entries of the Uninstall key.\n"
    "\n"
    "  --json             every property of each program, with its identifier, as JSON\n"
    "  --extended         also read upgrade code, contact and comments of the installer\n"
    "                     products\n"
    "  --wine-prefix DIR  the programs of the Wine prefix DIR, read from its registry files,\n"
    "                     which are never written\n";

struct Options {
  bool json = false;
  bool extended = false;
};

Options ParseOptions(std::span<const std::string> args) {
  Options options;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--extended") {
      options.extended = true;
    } else {
      throw UsageError("unknown argument '" + arg + "'");
    }
  }
  return options;
}

// Counts code points, so that names with umlauts line up.
std::size_t DisplayWidth(std::string_view text) {
  return static_cast<std::size_t>(std::ranges::count_if(
      text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string_view SourceOf(const Program& program) {
  return program.PublishedClassInfo().Name() == InstallerProgram::kClassName
             ? InstallerFinder::Technology
             : RegistryFinder::Technology;
}

void WriteTable(const ProgramList& list, std::ostream& out) {
  std::vector<std::array<std::string, 4>> rows;
  rows.push_back({"Source", "Name", "Version", "Publisher"});
  for (const auto& program : list) {
    rows.push_back({std::string(SourceOf(*program)), program->GetName(), program->GetVersion(),
                    program->GetPublisher()});
  }
  std::array<std::size_t, 4> widths{};
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]) + 2, ' ');
    }
    out << Trim(line) << '\n';
  }
}

void WriteJson(const ProgramList& list, std::ostream& out) {
  JsonArrayWriter writer(out);
  for (const auto& program : list) {
    nlohmann::ordered_json element{{"class", program->PublishedClassInfo().Name()},
                                   {"identifier", program->GetIdentifier()}};
    for (const PropertyInfo* property : program->PublishedClassInfo().Properties()) {
      element.emplace(property->Name(), property->GetText(*program));
    }
    writer.Add(element);
  }
  writer.Finish();
}

// One line on the terminal, rewritten for every program.
class ProgressLine final : public ProgressObserver {
 public:
  explicit ProgressLine(std::ostream& err) : err_(err) {}
  ~ProgressLine() override { Clear(); }

  bool Report(const ProgressReport& report) override {
    std::string line =
        std::string(report.activity) + " " +
        Format(LoadResString(ResString::ScanProgress), static_cast<std::int32_t>(report.position),
               static_cast<std::int32_t>(report.total)) +
        ": " + std::string(report.item);
    Clear();
    err_ << line << std::flush;
    width_ = DisplayWidth(line);
    return true;
  }

 private:
  void Clear() {
    if (width_ == 0) return;
    err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
    width_ = 0;
  }

  std::ostream& err_;
  std::size_t width_ = 0;
};

}  // namespace

int RunScanCommand(std::span<const std::string> args, CommandContext& context,
                   platform::InstallerDatabase& installer, bool showProgress) {
  return RunCommand(args, context, kUsage, [&] {
    std::vector<std::string> rest(args.begin(), args.end());
    const InventoriedMachine machine(rest, context, installer);
    const Options options = ParseOptions(rest);
    ProgramList programs;
    {
      ProgressLine progress(context.err);
      FindInstalledPrograms(programs, machine.Registry(), machine.Installer(),
                            {options.extended, showProgress ? &progress : nullptr});
    }
    if (options.json) {
      WriteJson(programs, context.out);
    } else {
      WriteTable(programs, context.out);
    }
    return 0;
  });
}

}  // namespace lintrove::cli
