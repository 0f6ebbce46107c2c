#include "platform/download_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "base/error.h"

namespace lintrove::platform {
namespace {

std::filesystem::path OwnDirectoryPath() {
  return std::filesystem::temp_directory_path() /
         ("lintrove-downloads-" + std::to_string(::getuid()));
}

// A directory that is this user's alone: created with no rights for others, and refused when
// another user made it first or it is a link.
bool IsOwnPrivateDirectory(const std::filesystem::path& path) {
  struct stat facts {};
  return ::lstat(path.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode) &&
         facts.st_uid == ::getuid() && (facts.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

}  // namespace

std::filesystem::path DownloadDirectory() {
  const std::filesystem::path path = OwnDirectoryPath();
  if (::mkdir(path.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
    throw Error(path.string() + ": " + std::generic_category().message(errno));
  }
  if (!IsOwnPrivateDirectory(path)) {
    throw Error(path.string() + ": " + std::generic_category().message(EACCES));
  }
  return path;
}

void RemoveAfterUse(const std::filesystem::path&) {
  // The next start removes it with everything else of the directory.
}

void RemoveEarlierDownloads() noexcept {
  std::error_code error;
  const std::filesystem::path path = OwnDirectoryPath();
  if (!IsOwnPrivateDirectory(path)) return;
  for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
    std::filesystem::remove_all(entry.path(), error);
  }
}

}  // namespace lintrove::platform
