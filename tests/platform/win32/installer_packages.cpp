#include "installer_packages.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <msi.h>
#include <msidefs.h>
#include <msiquery.h>

#include <filesystem>
#include <stdexcept>

#include "platform/win32/wide_text.h"

namespace lintrove::test {

std::string PackageCodeOf(const InstallerPackage& package) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::filesystem::path file =
      std::filesystem::path(self).parent_path() / platform::Wide(package.packageName);
  MSIHANDLE summary = 0;
  if (MsiGetSummaryInformationW(0, file.c_str(), 0, &summary) != ERROR_SUCCESS)
    throw std::runtime_error("cannot read the summary of " + file.string());
  wchar_t code[39] = {};
  DWORD length = 39;
  UINT type = 0;
  const UINT result =
      MsiSummaryInfoGetPropertyW(summary, PID_REVNUMBER, &type, nullptr, nullptr, code, &length);
  MsiCloseHandle(summary);
  if (result != ERROR_SUCCESS) throw std::runtime_error("no package code in " + file.string());
  return platform::Narrow(code);
}

}  // namespace lintrove::test
