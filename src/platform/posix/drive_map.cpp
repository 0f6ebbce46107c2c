#include "platform/posix/drive_map.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/user_account.h"
#include "platform/regfile/reg_tree.h"

namespace lintrove::platform {
namespace {

namespace fs = std::filesystem;

std::optional<std::size_t> DriveIndex(char letter) {
  if (letter >= 'a' && letter <= 'z') return static_cast<std::size_t>(letter - 'a');
  if (letter >= 'A' && letter <= 'Z') return static_cast<std::size_t>(letter - 'A');
  return std::nullopt;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAllowedName(std::string_view name) {
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32 ||
        std::string_view("\"<>|?*:").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

// The names of a path after its root, "." and ".." resolved within it; none when a name holds a
// character Windows forbids.
std::optional<std::vector<std::string>> Names(std::string_view rest) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::string_view name = rest.substr(start, end - start);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      if (!IsAllowedName(name)) return std::nullopt;
      names.emplace_back(name);
    }
    start = end + 1;
  }
  return names;
}

// The entry of directory that name names without regard to case: the exact one first, else the
// first in sorted order, so that the choice never depends on the order of the directory.
std::optional<fs::path> FindEntry(const fs::path& directory, const std::string& name) {
  std::error_code error;
  fs::path exact = directory / name;
  if (fs::exists(exact, error)) return exact;
  const std::string folded = RegistryNameKey(name);
  std::optional<fs::path> found;
  for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
       entry.increment(error)) {
    const fs::path candidate = entry->path();
    if (RegistryNameKey(candidate.filename().string()) == folded &&
        (!found || candidate.filename() < found->filename())) {
      found = candidate;
    }
  }
  return found;
}

}  // namespace

DriveMap DriveMap::FromWinePrefix(const fs::path& prefix) {
  DriveMap drives;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const fs::path link = prefix / "dosdevices" / std::string{letter, ':'};
    std::error_code error;
    // The link itself, not its target: a prefix whose links change keeps working.
    if (fs::is_directory(link, error)) drives.Map(letter, link);
  }
  return drives;
}

void DriveMap::Map(char letter, fs::path directory) {
  if (auto index = DriveIndex(letter)) drives_[*index] = std::move(directory);
}

std::optional<fs::path> DriveMap::ExistingFile(std::string_view windows_path) const {
  constexpr std::string_view kLongPathPrefix = "\\\\?\\";
  if (windows_path.starts_with(kLongPathPrefix)) windows_path.remove_prefix(kLongPathPrefix.size());

  fs::path directory;
  std::string_view rest = windows_path;
  if (windows_path.size() >= 2 && windows_path[1] == ':') {
    const auto index = DriveIndex(windows_path[0]);
    if (!index || !drives_[*index]) return std::nullopt;
    // "C:name" counts from the drive's current folder, which is its root for any drive but the
    // current one; there is no current drive here.
    directory = *drives_[*index];
    rest.remove_prefix(2);
  } else if (!windows_path.empty() && IsSeparator(windows_path[0])) {
    return std::nullopt;
  } else {
    std::error_code error;
    directory = fs::current_path(error);
    if (error) return std::nullopt;
  }

  // A name ending in a separator is a folder's.
  if (!rest.empty() && IsSeparator(rest.back())) return std::nullopt;
  const auto names = Names(rest);
  if (!names || names->empty()) return std::nullopt;
  for (const std::string& name : *names) {
    auto entry = FindEntry(directory, name);
    if (!entry) return std::nullopt;
    directory = std::move(*entry);
  }
  std::error_code error;
  if (!fs::is_regular_file(directory, error)) return std::nullopt;
  return directory;
}

fs::path DefaultWinePrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
  return HomeDirectory() / ".wine";
}

}  // namespace lintrove::platform
