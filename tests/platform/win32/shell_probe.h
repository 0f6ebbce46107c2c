#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lintrove::test {

// A copy of the shell probe program under a path with blanks, and the event it signals once it
// has written down how it was started. One start at a time.
class ShellProbe {
 public:
  ShellProbe();
  ~ShellProbe();
  ShellProbe(const ShellProbe&) = delete;
  ShellProbe& operator=(const ShellProbe&) = delete;

  // The probe's Windows path, e.g. C:\users\...\Mein Programm\Probe Deinstallation.exe.
  std::string Program() const;
  // The probe's own path and its arguments, once it has started; empty when it has not
  // reported within a generous time.
  std::vector<std::string> WaitForStart();

 private:
  TempDir dir_;
  std::filesystem::path program_;
  std::filesystem::path output_;
  void* event_;
};

}  // namespace lintrove::test
