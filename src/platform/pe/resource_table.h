#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/pe/byte_source.h"

namespace lintrove::platform {

inline constexpr std::uint16_t kResourceTypeIcon = 3;
inline constexpr std::uint16_t kResourceTypeRcData = 10;
inline constexpr std::uint16_t kResourceTypeGroupIcon = 14;
inline constexpr std::uint16_t kResourceTypeVersion = 16;

// A resource is named by a number or by an upper-case UTF-16 name.
using ResourceName = std::variant<std::uint16_t, std::u16string>;

// Where a resource's data lies in the file; offset and size are inside the file.
struct ResourceLocation {
  ResourceName name;
  std::uint64_t offset = 0;
  std::uint32_t size = 0;
};

// The resources of a PE file by type, each type's in the file's order (named ones first, then by
// number), with the data of the first language each has.
using ResourceTable = std::map<std::uint16_t, std::vector<ResourceLocation>>;

// Reads the headers and the resource directory of a PE32 or PE32+ file, and nothing else: the
// resources' data stays where it is. Only the listed types are walked; all of them when the list
// is empty. Every offset and size is checked against the file before it is followed. Throws
// lintrove::Error naming the damaged structure.
ResourceTable ReadResourceTable(ByteSource& source, std::span<const std::uint16_t> types = {});

// The resource of a type and name; none when it is absent.
const ResourceLocation* FindResource(const ResourceTable& table, std::uint16_t type,
                                     const ResourceName& name);

}  // namespace lintrove::platform
