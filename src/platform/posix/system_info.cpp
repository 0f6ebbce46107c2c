#include "platform/system_info.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <span>

#include "base/error.h"
#include "platform/pe/pe_resource_file.h"
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

std::uint32_t LittleEndian32(std::span<const std::uint8_t> data, std::size_t offset) {
  std::uint32_t number = 0;
  for (std::size_t i = 0; i < 4; ++i) number |= std::uint32_t{data[offset + i]} << (8 * i);
  return number;
}

// A version resource starts with its length, the length of its value and its type (16 bits
// each), the key "VS_VERSION_INFO" in UTF-16 with its NUL, padding to 32 bits, and then its
// value, the fixed file information, which begins with its signature.
std::optional<FileVersion> FixedFileVersion(std::span<const std::uint8_t> resource) {
  constexpr std::u16string_view kKey = u"VS_VERSION_INFO";
  constexpr std::size_t kValueOffset = 40;
  constexpr std::size_t kFixedInfoSize = 52;
  constexpr std::uint32_t kSignature = 0xFEEF04BD;
  if (resource.size() < kValueOffset + kFixedInfoSize) return std::nullopt;
  const std::size_t valueLength = resource[2] | (std::size_t{resource[3]} << 8);
  if (valueLength < kFixedInfoSize) return std::nullopt;
  for (std::size_t i = 0; i <= kKey.size(); ++i) {
    const char16_t unit = static_cast<char16_t>(resource[6 + 2 * i] | (resource[7 + 2 * i] << 8));
    if (unit != (i < kKey.size() ? kKey[i] : u'\0')) return std::nullopt;
  }
  if (LittleEndian32(resource, kValueOffset) != kSignature) return std::nullopt;
  return FileVersion{LittleEndian32(resource, kValueOffset + 8),
                     LittleEndian32(resource, kValueOffset + 12)};
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

std::optional<FileVersion> ExecutableFileVersion(const std::string& path) {
  try {
    const auto resource = PeResourceFile::Open(path).VersionResource();
    if (!resource) return std::nullopt;
    return FixedFileVersion(*resource);
  } catch (const Error&) {
    return std::nullopt;
  }
}

std::optional<FileVersion> ProgramFileVersion() {
  std::string_view text = LINTROVE_VERSION;
  std::uint32_t numbers[4] = {};
  for (std::uint32_t& number : numbers) {
    if (text.empty()) break;
    const auto taken = TakeNumber(text);
    if (!taken || *taken > 0xFFFF) return std::nullopt;
    number = *taken;
  }
  return FileVersion{numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]};
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

bool IsWindows64Machine(RegistryBackend& registry) {
  Registry key(RootKey::LocalMachine, RegistryView::Wow64_64, registry);
  return key.KeyExists("\\SOFTWARE\\WOW6432Node");
}

std::string_view SetupSystem() {
#if defined(__x86_64__)
  return "linux-x86_64";
#elif defined(__aarch64__)
  return "linux-arm64";
#elif defined(__i386__)
  return "linux-x86";
#else
  return "linux-other";
#endif
}

std::optional<WindowsVersion> MachineWindowsVersion(RegistryBackend& registry) {
  if (auto recorded = RecordedVersion(registry)) return recorded;
  return HostVersion();
}

bool RunsUnderWine() { return false; }

}  // namespace lintrove::platform
