#include "flows/file_beside.h"

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#include "base/error.h"

namespace lintrove {

File CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& created) {
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    created = target;
    created += "." + std::to_string(random() % 1000000) + ".part";
    if (std::FILE* file = std::fopen(created.string().c_str(), "wbx")) return File(file);
    if (errno != EEXIST) break;
  }
  throw Error(created.string() + ": " + std::generic_category().message(errno));
}

TemporaryFile::~TemporaryFile() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove(path, ignored);
}

void ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes) {
  TemporaryFile temporary;
  File file = CreateTemporaryBeside(target, temporary.path);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  const int writeErrno = errno;
  // fclose flushes: a full disk may show only here.
  const bool closed = std::fclose(file.release()) == 0;
  if (!written || !closed) {
    throw Error(target.string() + ": " +
                std::generic_category().message(written ? errno : writeErrno));
  }
  std::error_code renamed;
  std::filesystem::rename(temporary.path, target, renamed);
  if (renamed) throw Error(target.string() + ": " + renamed.message());
  temporary.path.clear();
}

}  // namespace lintrove
