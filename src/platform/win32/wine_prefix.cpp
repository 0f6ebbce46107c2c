#include "platform/wine_prefix.h"

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"

namespace lintrove::platform {

std::unique_ptr<WinePrefix> OpenWinePrefix(const std::filesystem::path& directory) {
  throw Error(
      Format(LoadResString(ResString::WinePrefixesNotRead), Utf16ToUtf8(directory.u16string())));
}

}  // namespace lintrove::platform
