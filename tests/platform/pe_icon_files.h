#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/pe/pe_resource_writer.h"

namespace lintrove::test {

// An .ico file whose images are the given texts, each entry claiming 16 by 16 pixels in 32 bits;
// readers copy image data as it stands, so a text tells the icons apart.
inline std::vector<std::uint8_t> Ico(std::initializer_list<std::string_view> images) {
  std::vector<std::uint8_t> ico = {0, 0, 1, 0, static_cast<std::uint8_t>(images.size()), 0};
  std::size_t offset = 6 + 16 * images.size();
  for (std::string_view image : images) {
    ico.insert(ico.end(), {16, 16, 0, 0, 1, 0, 32, 0});
    for (std::size_t value : {image.size(), offset}) {
      for (int shift = 0; shift < 32; shift += 8) {
        ico.push_back(static_cast<std::uint8_t>(value >> shift));
      }
    }
    offset += image.size();
  }
  for (std::string_view image : images) ico.insert(ico.end(), image.begin(), image.end());
  return ico;
}

// A program file holding icon groups, each made of an .ico file as a resource compiler does, and
// any other resources.
inline std::vector<std::uint8_t> ModuleWithIcons(
    const std::vector<std::pair<platform::ResourceName, std::vector<std::uint8_t>>>& groups,
    std::vector<platform::ResourceToWrite> others = {}) {
  std::uint16_t next_image = 1;
  for (const auto& [name, ico] : groups) {
    for (platform::ResourceToWrite& resource :
         platform::IconGroupResources(name, ico, next_image)) {
      if (resource.type == platform::kResourceTypeIcon) ++next_image;
      others.push_back(std::move(resource));
    }
  }
  return platform::WriteResourceModule(std::move(others));
}

}  // namespace lintrove::test
