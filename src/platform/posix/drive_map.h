#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

namespace lintrove::platform {

// Where the drives of a Windows machine lie in the local file system, and the files its paths
// name there.
class DriveMap {
 public:
  // The drives of a Wine prefix: each entry "x:" of its dosdevices folder that leads to a folder
  // (Wine links c: to ../drive_c and z: to /). No drive when the prefix has none.
  static DriveMap FromWinePrefix(const std::filesystem::path& prefix);

  // letter: A to Z in either case; others are ignored.
  void Map(char letter, std::filesystem::path directory);

  // The local path of the existing file (not a folder) a Windows path names. Each name is looked
  // up without regard to case, as Windows does: one that matches exactly is taken first, else
  // the first in sorted order of those differing only in case. "\" and "/" separate, "." and ".."
  // are resolved by the text as Windows does, a "\\?\" prefix is dropped; a relative path counts
  // from the current directory. None for a drive that is not mapped, a network or device path,
  // a path from the current drive's root, or a name with a character Windows forbids.
  std::optional<std::filesystem::path> ExistingFile(std::string_view windows_path) const;

 private:
  std::array<std::optional<std::filesystem::path>, 26> drives_;
};

// The Wine prefix as Wine finds it: $WINEPREFIX, else ~/.wine.
std::filesystem::path DefaultWinePrefix();

}  // namespace lintrove::platform
