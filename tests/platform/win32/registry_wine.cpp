#include "platform/win32/registry_wine.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lintrove::platform {

bool RunsUnderWine() {
  // Wine's ntdll exports its version; Windows' has no such function.
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace lintrove::platform
