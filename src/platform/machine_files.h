#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lintrove::platform {

// The files of the Windows machine whose inventory is taken, named as its programs name them:
// with references to the machine's environment and with Windows paths.
class MachineFiles {
 public:
  virtual ~MachineFiles() = default;
  // text with every %NAME% reference to a variable of the machine's environment replaced by its
  // value, names compared without regard to case; a reference to an undefined variable stays as
  // written.
  virtual std::string ExpandEnvironment(std::string_view text) const = 0;
  // Where to read the existing file a Windows path names (a relative one from the current
  // directory); none when it names no file (a folder is no file).
  virtual std::optional<std::filesystem::path> ExistingFile(std::string_view path) const = 0;
};

// On Windows, the system's own expansion and paths. On Linux, the machine the registry store
// stands for: its environment as Windows derives it from that registry, and its drives those of
// the Wine prefix ($WINEPREFIX, else ~/.wine), file names matched without regard to case.
const MachineFiles& SystemMachineFiles();

}  // namespace lintrove::platform
