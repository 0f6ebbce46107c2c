#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/pe/pe_resources.h"

namespace lintrove::platform {

struct ResourceToWrite {
  std::uint16_t type;
  // A name is stored as given; the resource compiler's convention is upper case.
  ResourceName name;
  std::vector<std::uint8_t> data;
};

// A resource-only module: a 32-bit PE DLL without code whose one section holds the resources,
// as a resource compiler and linker would produce it, so that Windows can load it as a data
// file too. Throws lintrove::Error when two resources share a type and name.
std::vector<std::uint8_t> WriteResourceModule(std::vector<ResourceToWrite> resources);

// What a resource compiler makes of an .ico file for an ICON statement: an icon image resource
// for each image, numbered from first_image_id on, and the icon group called name that lists
// them. Throws lintrove::Error when ico is no icon file.
std::vector<ResourceToWrite> IconGroupResources(const ResourceName& name,
                                                std::span<const std::uint8_t> ico,
                                                std::uint16_t first_image_id);

}  // namespace lintrove::platform
