// libFuzzer target for the regedit file reader and writer: whatever the bytes, reading ends in a
// tree or a lintrove::Error, and a tree that was read is written so that it reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/error.h"
#include "platform/regfile/reg_file.h"

namespace {

using lintrove::platform::RegKey;
using lintrove::platform::RootKey;

std::vector<std::uint8_t> ReadAndFormat(std::span<const std::uint8_t> bytes) {
  RegKey tree("HKEY_LOCAL_MACHINE");
  lintrove::platform::RegTreeBuilder builder(RootKey::LocalMachine, tree, "fuzz.reg");
  lintrove::platform::ParseRegFile(bytes, "fuzz.reg", builder);
  return lintrove::platform::FormatRegFile(tree, "HKEY_LOCAL_MACHINE");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> written;
  try {
    written = ReadAndFormat({data, size});
  } catch (const lintrove::Error&) {
    return 0;
  }
  // What the writer wrote must read without an error and give the same file again.
  if (ReadAndFormat(written) != written) std::abort();
  return 0;
}
