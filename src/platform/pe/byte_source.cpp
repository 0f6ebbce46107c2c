#include "platform/pe/byte_source.h"

#include <algorithm>
#include <stdexcept>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"

namespace lintrove::platform {
namespace {

bool Fits(std::uint64_t size, std::uint64_t offset, std::uint64_t length) {
  return offset <= size && length <= size - offset;
}

}  // namespace

void MemoryByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  // Readers check every offset against Size() first: a read outside is a fault of the reader.
  if (!Fits(bytes_.size(), offset, out.size())) throw std::out_of_range("MemoryByteSource");
  std::ranges::copy(bytes_.subspan(static_cast<std::size_t>(offset), out.size()), out.begin());
}

FileByteSource::FileByteSource(const std::filesystem::path& path)
    : path_(path), file_(path, std::ios::binary) {
  std::error_code error;
  size_ = std::filesystem::file_size(path, error);
  if (error) {
    throw Error(Format(LoadResString(ResString::CannotReadFile), path.string(), error.message()));
  }
  if (!file_) {
    throw Error(
        Format(LoadResString(ResString::CannotReadFile), path.string(), std::string_view("open")));
  }
}

void FileByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (!Fits(size_, offset, out.size())) {
    throw Error(Format(LoadResString(ResString::CannotReadFile), path_.string(),
                       std::string_view("end of file")));
  }
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(offset));
  if (!file_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()))) {
    // The file may have shrunk since it was opened.
    throw Error(
        Format(LoadResString(ResString::CannotReadFile), path_.string(), std::string_view("read")));
  }
}

}  // namespace lintrove::platform
