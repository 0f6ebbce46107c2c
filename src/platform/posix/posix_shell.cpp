#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "base/text.h"
#include "platform/posix/posix_shell.h"

extern char** environ;

namespace lintrove::platform {
namespace {

std::optional<std::filesystem::path> FindInPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  std::string_view dirs(path);
  for (std::size_t start = 0; start <= dirs.size();) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string_view::npos) end = dirs.size();
    std::filesystem::path candidate =
        std::filesystem::path(dirs.substr(start, end - start)) / program;
    if (!candidate.parent_path().empty() && ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

// This process's environment, with WINEPREFIX set to `wine_prefix` when one is given.
std::vector<std::string> Environment(const std::optional<std::filesystem::path>& wine_prefix) {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (!wine_prefix || !std::string_view(*variable).starts_with("WINEPREFIX=")) {
      variables.emplace_back(*variable);
    }
  }
  if (wine_prefix) variables.push_back("WINEPREFIX=" + wine_prefix->string());
  return variables;
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (const std::string& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Starts args[0] without waiting; a thread of its own collects the exit status so that no
// finished child lingers.
bool Spawn(const std::vector<std::string>& args,
           const std::optional<std::filesystem::path>& wine_prefix = std::nullopt) {
  std::vector<char*> argv = Pointers(args);
  const std::vector<std::string> environment = Environment(wine_prefix);
  std::vector<char*> envp = Pointers(environment);
  pid_t pid = 0;
  if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return false;
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

bool IsWindowsProgram(std::string_view file) {
  std::size_t dot = file.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string_view extension = file.substr(dot);
  for (std::string_view known : {".exe", ".com", ".bat", ".cmd", ".msi"}) {
    if (EqualsIgnoringAsciiCase(extension, known)) return true;
  }
  return false;
}

// Windows programs run through Wine, in the given prefix or else the one Wine itself picks.
class PosixShell final : public Shell {
 public:
  explicit PosixShell(std::optional<std::filesystem::path> wine_prefix = std::nullopt)
      : winePrefix_(std::move(wine_prefix)) {}

  bool StartCommandLine(std::string_view commandLine) override {
    return RunWithWine(SplitWindowsCommandLine(commandLine));
  }

  bool ShellOpen(std::string_view file, std::string_view parameters) override {
    if (IsWindowsProgram(file)) {
      // The program name's own rules do not apply to parameters: split them as arguments.
      std::vector<std::string> args = SplitWindowsCommandLine("x " + std::string(parameters));
      args.front() = file;
      return RunWithWine(std::move(args));
    }
    auto opener = FindInPath("xdg-open");
    if (!opener || file.empty()) return false;
    return Spawn({opener->string(), std::string(file)});
  }

 private:
  bool RunWithWine(std::vector<std::string> args) const {
    auto wine = FindInPath("wine");
    if (!wine || args.empty() || args.front().empty()) return false;
    args.insert(args.begin(), wine->string());
    return Spawn(args, winePrefix_);
  }

  std::optional<std::filesystem::path> winePrefix_;
};

}  // namespace

Shell& SystemShell() {
  static PosixShell shell;
  return shell;
}

std::unique_ptr<Shell> WinePrefixShell(const std::filesystem::path& prefix) {
  return std::make_unique<PosixShell>(prefix);
}

}  // namespace lintrove::platform
