// libFuzzer target for the reader of Wine's registry files: whatever the bytes, reading ends in a
// tree or a lintrove::Error, and every key of a tree that was read is found again by its path,
// links followed without end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/error.h"
#include "platform/posix/wine_registry_file.h"

namespace {

using lintrove::platform::RegKey;
using lintrove::platform::WineRegistryFile;

// Every key whose path passes no link is found by that path, itself; a path through a link ends
// somewhere or nowhere, but ends.
void FindEveryKey(const WineRegistryFile& file, const RegKey& key, std::vector<std::string>& path,
                  bool throughLink) {
  const RegKey* found = file.FindKey(path);
  if (!throughLink && found != &key) std::abort();
  for (const auto& subkey : key.Subkeys()) {
    path.push_back(subkey->Name());
    FindEveryKey(file, *subkey, path, throughLink || file.links.contains(subkey.get()));
    path.pop_back();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const WineRegistryFile file = lintrove::platform::ParseWineRegistryFile({data, size}, "fuzz");
    std::vector<std::string> path;
    FindEveryKey(file, file.tree, path, false);
  } catch (const lintrove::Error&) {
  }
  return 0;
}
