#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lintrove::platform {

// Starts programs for the user, without waiting for them. Every operation answers whether the
// start succeeded; the callers that must not report a failure ignore the answer.
class Shell {
 public:
  virtual ~Shell() = default;
  // A Windows command line, program and arguments in one text, as CreateProcess takes it.
  virtual bool StartCommandLine(std::string_view commandLine) = 0;
  // The shell's "open" of a program with its parameters, a document or an address.
  virtual bool ShellOpen(std::string_view file, std::string_view parameters = {}) = 0;
};

// The shell of this system. On Linux, Windows programs run through Wine when it is installed
// (and cannot start without it); documents and addresses open with xdg-open.
Shell& SystemShell();

// Splits a Windows command line into its arguments by the rules of the Microsoft C runtime:
// blanks and tabs separate, double quotes group, backslashes escape a quote only in front of
// one. The program name (the first argument) ends at the first blank outside quotes and takes
// backslashes literally.
std::vector<std::string> SplitWindowsCommandLine(std::string_view commandLine);

}  // namespace lintrove::platform
