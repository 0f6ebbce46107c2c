#include "platform/pe/pe_resource_file.h"

#include <array>

#include "base/error.h"
#include "platform/pe/icon_group.h"

namespace lintrove::platform {
namespace {

constexpr std::array<std::uint16_t, 2> kIconTypes = {kResourceTypeIcon, kResourceTypeGroupIcon};

}  // namespace

PeResourceFile PeResourceFile::Open(const std::filesystem::path& path) {
  // The file's own errors name it.
  auto source = std::make_unique<FileByteSource>(path);
  try {
    return PeResourceFile(std::move(source));
  } catch (const Error& error) {
    throw Error(path.string() + ": " + error.what());
  }
}

PeResourceFile::PeResourceFile(std::unique_ptr<ByteSource> source)
    : source_(std::move(source)), table_(ReadResourceTable(*source_, kIconTypes)) {}

std::size_t PeResourceFile::IconGroupCount() const { return platform::IconGroupCount(table_); }

std::optional<std::vector<std::uint8_t>> PeResourceFile::IconFile(int index) {
  return IconFileFromGroups(table_, *source_, index);
}

}  // namespace lintrove::platform
