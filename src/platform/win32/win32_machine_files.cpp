#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cwchar>

#include "platform/machine_files.h"
#include "platform/win32/wide_text.h"

namespace lintrove::platform {
namespace {

// The machine is this one: the system expands and finds files itself.
class Win32MachineFiles final : public MachineFiles {
 public:
  std::string ExpandEnvironment(std::string_view text) const override {
    const std::wstring source = Wide(text);
    // The size asked for includes the terminator; 0 means the system cannot expand.
    const DWORD size = ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::wstring expanded(size, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(source.c_str(), expanded.data(), size);
    if (written == 0 || written > size) return {};
    expanded.resize(wcsnlen(expanded.c_str(), expanded.size()));
    return Narrow(expanded);
  }

  std::optional<std::filesystem::path> ExistingFile(std::string_view path) const override {
    const std::wstring file = Wide(path);
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return std::nullopt;
    }
    return std::filesystem::path(file);
  }
};

}  // namespace

const MachineFiles& SystemMachineFiles() {
  static const Win32MachineFiles files;
  return files;
}

}  // namespace lintrove::platform
