#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "base/text.h"
#include "platform/shell.h"

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

// Starts argv[0] without waiting; a thread of its own collects the exit status so that no
// finished child lingers.
bool Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
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

class PosixShell final : public Shell {
 public:
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
  static bool RunWithWine(std::vector<std::string> args) {
    auto wine = FindInPath("wine");
    if (!wine || args.empty() || args.front().empty()) return false;
    args.insert(args.begin(), wine->string());
    return Spawn(args);
  }
};

}  // namespace

Shell& SystemShell() {
  static PosixShell shell;
  return shell;
}

}  // namespace lintrove::platform
