#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/pe/byte_source.h"
#include "platform/pe/resource_table.h"

namespace lintrove::platform {

std::size_t IconGroupCount(const ResourceTable& table);

// The icon group an icon index selects, as the bytes of an .ico file: for 0 and up the position
// among the groups in the file's order, for a negative index the group whose number is its
// magnitude. None when there is no such group or none of its images exists. Reads only the group
// and its images from source; throws lintrove::Error when source cannot give them.
std::optional<std::vector<std::uint8_t>> IconFileFromGroups(const ResourceTable& table,
                                                            ByteSource& source, int index);

}  // namespace lintrove::platform
