#include "scan_command.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ostream>
#include <vector>

#include "base/format.h"
#include "base/text.h"
#include "inventory/installed_programs.h"
#include "inventory/installer_finder.h"
#include "inventory/installer_program.h"
#include "inventory/registry_finder.h"
#include "base/resource_strings.h"

namespace lintrove::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: lintrove-cli scan [--json] [--extended]\n"
    "\n"
    "Lists the installed programs as the desktop client finds them: the Windows Installer\n"
    "products first, then the entries of the Uninstall key.\n"
    "\n"
    "  --json      every property of each program, with its identifier, as JSON\n"
    "  --extended  also read upgrade code, contact and comments of the installer products\n";

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
  for (int i = 0; i < list.Count(); ++i) {
    const Program& program = list.Items(i);
    rows.push_back({std::string(SourceOf(program)), program.GetName(), program.GetVersion(),
                    program.GetPublisher()});
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

void WriteJsonString(std::string_view text, std::ostream& out) {
  out << '"';
  for (char c : text) {
    switch (c) {
      case '"':
        out << "\\\"";
        break;
      case '\\':
        out << "\\\\";
        break;
      case '\n':
        out << "\\n";
        break;
      case '\r':
        out << "\\r";
        break;
      case '\t':
        out << "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out << escaped;
        } else {
          out << c;
        }
    }
  }
  out << '"';
}

void WriteJson(const ProgramList& list, std::ostream& out) {
  out << "[";
  for (int i = 0; i < list.Count(); ++i) {
    const Program& program = list.Items(i);
    out << (i == 0 ? "\n" : ",\n") << "  {\"class\": ";
    WriteJsonString(program.PublishedClassInfo().Name(), out);
    out << ", \"identifier\": ";
    WriteJsonString(program.GetIdentifier(), out);
    for (const PropertyInfo* property : program.PublishedClassInfo().Properties()) {
      out << ", ";
      WriteJsonString(property->Name(), out);
      out << ": ";
      WriteJsonString(property->GetText(program), out);
    }
    out << "}";
  }
  out << (list.Count() == 0 ? "]\n" : "\n]\n");
}

// One line on the terminal, rewritten for every program.
class ProgressLine {
 public:
  explicit ProgressLine(std::ostream& err) : err_(err) {}
  ~ProgressLine() { Clear(); }

  void Show(std::string_view technology, std::string_view name, std::int32_t position,
            std::int32_t total) {
    std::string line = std::string(technology) + " " +
                       Format(LoadResString(ResString::ScanProgress), position, total) + ": " +
                       std::string(name);
    Clear();
    err_ << line << std::flush;
    width_ = DisplayWidth(line);
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
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "/?")) {
    context.out << kUsage;
    return 0;
  }
  try {
    const Options options = ParseOptions(args);
    ProgramList programs(true);
    {
      ProgressLine progress(context.err);
      ScanOptions scan;
      scan.extendedInstallerInfo = options.extended;
      if (showProgress) {
        scan.onProgress = [&progress](std::string_view technology, std::string_view name,
                                      std::int32_t position, std::int32_t total) {
          progress.Show(technology, name, position, total);
        };
      }
      FindInstalledPrograms(programs, context.registry, installer, scan);
    }
    if (options.json) {
      WriteJson(programs, context.out);
    } else {
      WriteTable(programs, context.out);
    }
    return 0;
  } catch (const UsageError& error) {
    context.err << "ERROR: " << error.what() << "\n\n" << kUsage;
    return 1;
  } catch (const Error& error) {
    context.err << "ERROR: " << error.what() << '\n';
    return 1;
  }
}

}  // namespace lintrove::cli
