#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/pe/byte_source.h"
#include "platform/pe/resource_table.h"

namespace lintrove::platform {

// The icons and the version of a PE file read in place: opening reads the headers and the icon
// and version parts of the resource directory, an icon reads its group and its images, the
// version its resource, and nothing else of the file is read, so that a program file of hundreds
// of megabytes gives its icon or its version as fast as a small one.
class PeResourceFile {
 public:
  // Throws lintrove::Error when the file cannot be read or is no PE file.
  static PeResourceFile Open(const std::filesystem::path& path);
  explicit PeResourceFile(std::unique_ptr<ByteSource> source);

  std::size_t IconGroupCount() const;
  // The icon group an icon index selects, as an .ico file: a position among the groups, or for
  // a negative index the group whose number is its magnitude. None when there is no such group
  // or it has no image. Throws lintrove::Error when the file can no longer be read.
  std::optional<std::vector<std::uint8_t>> IconFile(int index);

  // The data of the first version resource (VS_VERSIONINFO); none when there is none. Throws
  // lintrove::Error when the file can no longer be read.
  std::optional<std::vector<std::uint8_t>> VersionResource();

 private:
  std::unique_ptr<ByteSource> source_;
  ResourceTable table_;
};

}  // namespace lintrove::platform
