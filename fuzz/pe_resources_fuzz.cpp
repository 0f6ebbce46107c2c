// libFuzzer target for the PE resource reader and the window-table records inside language
// files: whatever the bytes, reading must end in a result or a lintrove::Error.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "localization/window_translation.h"
#include "platform/pe/pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto module = lintrove::platform::PeResources::Parse({data, data + size});
    for (const auto& entry : module.Resources(lintrove::platform::kResourceTypeRcData)) {
      std::size_t position = 0;
      while (position < entry.data.size()) {
        if (!lintrove::ReadWideString(entry.data, position)) break;
      }
    }
    const int groups = static_cast<int>(module.IconGroupCount());
    for (int index = -2; index <= groups; ++index) module.IconFile(index);
    module.IconFile(-1 - static_cast<int>(size % 512));
  } catch (const lintrove::Error&) {
  }
  return 0;
}
