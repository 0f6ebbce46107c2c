#include "platform/pe/pe_resource_file.h"

#include <algorithm>
#include <array>

#include "base/error.h"
#include "platform/pe/icon_group.h"

namespace lintrove::platform {
namespace {

constexpr std::array<std::uint16_t, 3> kTypesRead = {kResourceTypeIcon, kResourceTypeGroupIcon,
                                                     kResourceTypeVersion};
// A version resource begins with its length in 16 bits; whatever a file claims beyond is not
// part of it.
constexpr std::uint32_t kMaxVersionResourceSize = 0xFFFF;

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
    : source_(std::move(source)), table_(ReadResourceTable(*source_, kTypesRead)) {}

std::size_t PeResourceFile::IconGroupCount() const { return platform::IconGroupCount(table_); }

std::optional<std::vector<std::uint8_t>> PeResourceFile::IconFile(int index) {
  return IconFileFromGroups(table_, *source_, index);
}

std::optional<std::vector<std::uint8_t>> PeResourceFile::VersionResource() {
  const auto found = table_.find(kResourceTypeVersion);
  if (found == table_.end() || found->second.empty()) return std::nullopt;
  const ResourceLocation& location = found->second.front();
  std::vector<std::uint8_t> data(std::min(location.size, kMaxVersionResourceSize));
  source_->ReadAt(location.offset, data);
  return data;
}

}  // namespace lintrove::platform
