#include "platform/posix/user_account.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "base/error.h"
#include "base/resource_strings.h"

namespace lintrove::platform {

std::filesystem::path HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  throw Error(LoadResString(ResString::HomeDirectoryUnknown));
}

std::string LoginName() {
  const passwd* entry = ::getpwuid(::getuid());
  return entry && entry->pw_name ? entry->pw_name : "";
}

}  // namespace lintrove::platform
