#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell.h"

namespace lintrove::test {

// Records what a program asks the shell to start, and starts nothing. Every start answers
// `starts`: by default it fails, as it does on a machine without the program.
class RecordingShell final : public platform::Shell {
 public:
  struct Call {
    std::string operation;
    std::string file;  // the whole command line for StartCommandLine
    std::string parameters;
    bool operator==(const Call&) const = default;
  };

  bool StartCommandLine(std::string_view commandLine) override {
    calls.push_back({"StartCommandLine", std::string(commandLine), ""});
    return starts;
  }
  bool ShellOpen(std::string_view file, std::string_view parameters) override {
    calls.push_back({"ShellOpen", std::string(file), std::string(parameters)});
    return starts;
  }

  std::vector<Call> calls;
  bool starts = false;
};

inline void PrintTo(const RecordingShell::Call& call, std::ostream* out) {
  *out << call.operation << "(" << call.file << ", " << call.parameters << ")";
}

}  // namespace lintrove::test
