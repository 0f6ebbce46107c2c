#include "ignore_command.h"

#include <algorithm>
#include <ostream>
#include <vector>

#include "base/text.h"
#include "command_runner.h"
#include "inventory/installed_programs.h"
#include "json_output.h"
#include "machine_option.h"
#include "settings/ignore_marks.h"
#include "text_columns.h"

namespace lintrove::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: lintrove-cli ignore list [--json]\n"
    "       lintrove-cli ignore add NAME-OR-IDENTIFIER\n"
    "       lintrove-cli ignore remove NAME-OR-IDENTIFIER\n"
    "       (each with --wine-prefix DIR: the programs of that Wine prefix)\n"
    "\n"
    "Ignored programs are not sent to the update service. A program is marked by its\n"
    "identifier (see scan --json), so a new version of it is no longer ignored.\n"
    "\n"
    "  list    every mark, sorted by identifier (byte by byte): the identifier and, when an\n"
    "          installed program has it, the program's name, separated by a tab; tabs and line\n"
    "          breaks inside them are printed as spaces (--json gives them exactly)\n"
    "  add     marks every installed program with that exact name; when no program has that\n"
    "          name, the installed program with that identifier\n"
    "  remove  removes the marks of the installed programs with that exact name; else the\n"
    "          mark with that identifier, also when its program is no longer installed\n"
    "\n"
    "add and remove print the marks they changed, in the form of list. An argument that names\n"
    "nothing they could change is an error.\n";

struct Mark {
  std::string identifier;
  std::string name;  // empty: no installed program has the identifier
};

ProgramList Inventory(const InventoriedMachine& machine) {
  ProgramList programs;
  FindInstalledPrograms(programs, machine.Registry(), machine.Installer(), {});
  return programs;
}

// Value names are found without regard to case, so a mark belongs to a program that way too.
std::string NameOf(std::string_view identifier, const ProgramList& programs) {
  for (const auto& program : programs) {
    if (EqualsIgnoringAsciiCase(program->GetIdentifier(), identifier)) return program->GetName();
  }
  return {};
}

void PrintText(const std::vector<Mark>& marks, std::ostream& out) {
  std::string text;
  for (const Mark& mark : marks) text += Column(mark.identifier) + '\t' + Column(mark.name) + '\n';
  out << text;
}

void PrintJson(const std::vector<Mark>& marks, std::ostream& out) {
  JsonArrayWriter writer(out);
  for (const Mark& mark : marks) {
    writer.Add({{"identifier", mark.identifier}, {"name", mark.name}});
  }
  writer.Finish();
}

int List(std::span<const std::string> options, CommandContext& context,
         const InventoriedMachine& machine) {
  bool json = false;
  for (const std::string& option : options) {
    if (option != "--json") throw UsageError("unknown argument '" + option + "'");
    json = true;
  }
  std::vector<std::string> identifiers = IgnoreMarks(context.registry).Identifiers();
  std::ranges::sort(identifiers);
  const ProgramList programs = Inventory(machine);
  std::vector<Mark> marks;
  for (std::string& identifier : identifiers) {
    std::string name = NameOf(identifier, programs);
    marks.push_back({std::move(identifier), std::move(name)});
  }
  if (json) {
    PrintJson(marks, context.out);
  } else {
    PrintText(marks, context.out);
  }
  return 0;
}

// Two entries with one identity share a mark: each identifier once, in inventory order.
void AddOnce(std::vector<Mark>& marks, const Program& program) {
  const std::string identifier = program.GetIdentifier();
  if (std::ranges::none_of(marks, [&](const Mark& m) { return m.identifier == identifier; })) {
    marks.push_back({identifier, program.GetName()});
  }
}

std::vector<Mark> ProgramsNamed(std::string_view name, const ProgramList& programs) {
  std::vector<Mark> marks;
  for (const auto& program : programs) {
    if (program->GetName() == name) AddOnce(marks, *program);
  }
  return marks;
}

int Add(const std::string& argument, CommandContext& context, const InventoriedMachine& machine) {
  const ProgramList programs = Inventory(machine);
  std::vector<Mark> marks = ProgramsNamed(argument, programs);
  if (marks.empty()) {
    for (const auto& program : programs) {
      if (program->GetIdentifier() == argument) AddOnce(marks, *program);
    }
  }
  if (marks.empty()) {
    // A mark no installed program has would match nothing until a program happened to get
    // exactly that identifier; a mistyped name must not end there silently.
    throw Error("no installed program has the name or identifier '" + argument + "'");
  }
  for (const Mark& mark : marks) IgnoreMarks::SetIgnored(mark.identifier, true, context.registry);
  PrintText(marks, context.out);
  return 0;
}

int Remove(const std::string& argument, CommandContext& context,
           const InventoriedMachine& machine) {
  const ProgramList programs = Inventory(machine);
  const IgnoreMarks stored(context.registry);
  std::vector<Mark> marks = ProgramsNamed(argument, programs);
  std::erase_if(marks, [&](const Mark& mark) { return !stored.IsIgnored(mark.identifier); });
  if (marks.empty() && stored.IsIgnored(argument)) {
    marks.push_back({argument, NameOf(argument, programs)});
  }
  if (marks.empty()) {
    throw Error("'" + argument + "' is neither the name of an ignored program nor a stored mark");
  }
  for (const Mark& mark : marks) {
    IgnoreMarks::SetIgnored(mark.identifier, false, context.registry);
  }
  PrintText(marks, context.out);
  return 0;
}

int Ignore(std::span<const std::string> arguments, CommandContext& context,
           platform::InstallerDatabase& installer) {
  std::vector<std::string> rest(arguments.begin(), arguments.end());
  const InventoriedMachine machine(rest, context, installer);
  const std::span<const std::string> args(rest);
  if (args.empty()) throw UsageError("missing action: list, add or remove");
  const std::string& action = args.front();
  if (action == "list") return List(args.subspan(1), context, machine);
  if (action != "add" && action != "remove") {
    throw UsageError("unknown action '" + action + "'");
  }
  if (args.size() != 2) {
    throw UsageError(action + " takes one name or identifier");
  }
  RequireUtf8Text(args[1]);
  return action == "add" ? Add(args[1], context, machine) : Remove(args[1], context, machine);
}

}  // namespace

int RunIgnoreCommand(std::span<const std::string> args, CommandContext& context,
                     platform::InstallerDatabase& installer) {
  return RunCommand(args, context, kUsage, [&] { return Ignore(args, context, installer); });
}

}  // namespace lintrove::cli
