#include "platform/system_info.h"

#include <sys/utsname.h>

#include <charconv>
#include <filesystem>

#include "base/error.h"
#include "platform/registry.h"

namespace lintrove::platform {
namespace {

constexpr std::string_view kCurrentVersionKey = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::uint32_t kPlatformWin32Nt = 2;

// Reads the leading decimal number of text and moves past it and one following separator.
std::optional<std::uint32_t> TakeNumber(std::string_view& text) {
  std::uint32_t number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc()) return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  if (!text.empty()) text.remove_prefix(1);
  return number;
}

std::optional<std::uint32_t> DwordValue(const Registry& key, std::string_view name) {
  auto value = key.ReadValue(name);
  if (!value || value->type != RegType::Dword || value->data.size() != 4) return std::nullopt;
  std::uint32_t number = 0;
  for (std::size_t i = 0; i < 4; ++i) number |= std::uint32_t{value->data[i]} << (8 * i);
  return number;
}

std::string StringValue(const Registry& key, std::string_view name) {
  auto type = key.GetDataType(name);
  if (type != RegType::Sz && type != RegType::ExpandSz) return {};
  return key.ReadString(name);
}

// Windows 10 and later record their major and minor numbers as DWORDs; older ones only as the
// text "6.1" (which later ones keep at "6.3").
std::optional<WindowsVersion> RecordedVersion(RegistryBackend& registry) {
  Registry key(RootKey::LocalMachine, RegistryView::Wow64_64, registry);
  if (!key.OpenKeyReadOnly(kCurrentVersionKey)) return std::nullopt;
  WindowsVersion version{.platformId = kPlatformWin32Nt,
                         .servicePack = StringValue(key, "CSDVersion")};
  auto major = DwordValue(key, "CurrentMajorVersionNumber");
  auto minor = DwordValue(key, "CurrentMinorVersionNumber");
  if (!major || !minor) {
    std::string text = StringValue(key, "CurrentVersion");
    std::string_view rest = text;
    major = TakeNumber(rest);
    minor = TakeNumber(rest);
  }
  std::string buildText = StringValue(key, "CurrentBuildNumber");
  if (buildText.empty()) buildText = StringValue(key, "CurrentBuild");
  std::string_view buildRest = buildText;
  auto build = TakeNumber(buildRest);
  if (!major || !minor || !build) return std::nullopt;
  version.major = *major;
  version.minor = *minor;
  version.build = *build;
  return version;
}

std::optional<WindowsVersion> HostVersion() {
  utsname host{};
  if (::uname(&host) != 0) return std::nullopt;
  std::string_view release = host.release;
  WindowsVersion version{.platformId = kPlatformWin32Nt, .servicePack = host.sysname};
  auto major = TakeNumber(release);
  auto minor = TakeNumber(release);
  auto patch = TakeNumber(release);
  if (!major) return std::nullopt;
  version.major = *major;
  version.minor = minor.value_or(0);
  version.build = patch.value_or(0);
  return version;
}

}  // namespace

std::string ExecutablePath() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) throw Error("Der Pfad des Programms ist unbekannt: " + error.message());
  return path.string();
}

bool IsWindows64Machine(RegistryBackend& registry) {
  Registry key(RootKey::LocalMachine, RegistryView::Wow64_64, registry);
  return key.KeyExists("\\SOFTWARE\\WOW6432Node");
}

std::optional<WindowsVersion> MachineWindowsVersion(RegistryBackend& registry) {
  if (auto recorded = RecordedVersion(registry)) return recorded;
  return HostVersion();
}

}  // namespace lintrove::platform
