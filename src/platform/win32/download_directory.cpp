#include <windows.h>

#include "platform/download_directory.h"

namespace lintrove::platform {

std::filesystem::path DownloadDirectory() { return std::filesystem::temp_directory_path(); }

void RemoveAfterUse(const std::filesystem::path& file) {
  // Needs the rights to schedule it; without them the file stays, as any temporary file may.
  ::MoveFileExW(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void RemoveEarlierDownloads() noexcept {}

}  // namespace lintrove::platform
