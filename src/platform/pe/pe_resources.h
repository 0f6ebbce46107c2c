#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pe/resource_table.h"

namespace lintrove::platform {

// A resource name as the resource compiler stores it: in upper case.
std::u16string UpperCaseResourceName(std::string_view name);

// The resources of a PE32 or PE32+ file (an executable, a DLL or a resource-only language
// module), read without the system's loader so that it works the same on every system, and kept
// in memory whole: for language modules, whose resources are all read. A large program file is
// read in parts by PeResourceFile. Every offset and size in the file is checked against the file
// before it is followed.
class PeResources {
 public:
  PeResources(PeResources&&) = default;
  PeResources& operator=(PeResources&&) = default;
  PeResources(const PeResources&) = delete;
  PeResources& operator=(const PeResources&) = delete;

  // Throws lintrove::Error when the file cannot be read or is not a resource module.
  static PeResources Load(const std::filesystem::path& path);
  static PeResources Parse(std::vector<std::uint8_t> image);

  // The data of the RCDATA resource, of the first language it has; none when it is absent.
  // A name is compared in upper case, as the resource compiler stores it.
  std::optional<std::span<const std::uint8_t>> FindRcData(std::uint16_t id) const;
  std::optional<std::span<const std::uint8_t>> FindRcData(std::string_view name) const;

  // Every resource of a type, in the file's order: named ones first, then by number.
  struct Entry {
    ResourceName name;
    std::span<const std::uint8_t> data;
  };
  std::vector<Entry> Resources(std::uint16_t type) const;

  std::size_t IconGroupCount() const;
  // The icon group an icon index selects, as an .ico file: a position among the groups, or
  // for a negative index the group whose number is its magnitude. None when there is no such
  // group or it has no image.
  std::optional<std::vector<std::uint8_t>> IconFile(int index) const;

 private:
  explicit PeResources(std::vector<std::uint8_t> image);
  std::optional<std::span<const std::uint8_t>> Find(std::uint16_t type,
                                                    const ResourceName& name) const;

  std::vector<std::uint8_t> image_;
  ResourceTable table_;
};

}  // namespace lintrove::platform
