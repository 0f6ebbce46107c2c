#include "support/temp_dir.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace lintrove::test {

TempDir::TempDir() {
  // A random name, taken only if nobody has it yet, as mkdtemp does; portable to Windows.
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = base / ("lintrove-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      // Only the user's, as mkdtemp makes it: some programs refuse a runtime directory others
      // may read.
      std::filesystem::permissions(candidate, std::filesystem::perms::owner_all);
      path_ = std::move(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary directory in " + base.string());
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace lintrove::test
