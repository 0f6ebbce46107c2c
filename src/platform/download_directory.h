#pragma once

#include <filesystem>

namespace lintrove::platform {

// Where the client keeps a file it downloads for the user until it has been used: on Windows the
// user's temporary directory; elsewhere, where the temporary directory is shared by all users, a
// directory of the user's own in it that no one else may enter (a name of another user's there
// could not be replaced, and one of his links could redirect the file). Made when missing.
std::filesystem::path DownloadDirectory();

// Asks for a file of the download directory to be removed once the program started from it is
// done with it: on Windows when the system next restarts; elsewhere at the client's next start,
// which removes whatever the directory still holds (RemoveEarlierDownloads).
void RemoveAfterUse(const std::filesystem::path& file);

// Removes what earlier runs left in the download directory (nothing to do on Windows, whose
// system removes the files). Failures are ignored: a file that stays does no harm.
void RemoveEarlierDownloads() noexcept;

}  // namespace lintrove::platform
