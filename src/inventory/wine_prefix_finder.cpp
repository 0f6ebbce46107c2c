#include "inventory/wine_prefix_finder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include "base/text.h"

namespace lintrove {
namespace {

namespace fs = std::filesystem;
using Place = FoundWinePrefix::Place;

bool IsPrefix(const fs::path& directory) {
  std::error_code error;
  return fs::is_regular_file(directory / "system.reg", error);
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The subdirectories of directory, sorted by name; none when it cannot be read.
std::vector<fs::path> Subdirectories(const fs::path& directory) {
  std::vector<fs::path> found;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    std::error_code type_error;
    if (it->is_directory(type_error)) found.push_back(it->path());
  }
  std::ranges::sort(found);
  return found;
}

std::string FileName(const fs::path& path) { return path.filename().string(); }

class Collector {
 public:
  void Add(fs::path directory, Place place, std::string name) {
    if (!IsPrefix(directory)) return;
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(directory, error);
    if (error) canonical = directory;
    if (!seen_.insert(canonical).second) return;
    found_.push_back({std::move(directory), place, std::move(name)});
  }

  // Each place sorted by name, the places in the order they were collected.
  std::vector<FoundWinePrefix> Take() {
    std::ranges::stable_sort(found_, [](const FoundWinePrefix& a, const FoundWinePrefix& b) {
      return a.place != b.place ? a.place < b.place : a.name < b.name;
    });
    return std::move(found_);
  }

 private:
  std::set<fs::path> seen_;
  std::vector<FoundWinePrefix> found_;
};

std::vector<fs::path> SteamLibraries(const WinePrefixPlaces& places) {
  std::vector<fs::path> libraries;
  for (const fs::path& steam : {places.data_home / "Steam", places.home / ".steam" / "steam",
                                places.home / ".var/app/com.valvesoftware.Steam/data/Steam"}) {
    libraries.push_back(steam);
    const std::string folders = ReadText(steam / "steamapps" / "libraryfolders.vdf");
    for (std::string& path : SteamValues(folders, "path", 2)) libraries.emplace_back(path);
  }
  return libraries;
}

void CollectSteam(const WinePrefixPlaces& places, Collector& collector) {
  for (const fs::path& library : SteamLibraries(places)) {
    const fs::path apps = library / "steamapps";
    for (const fs::path& game : Subdirectories(apps / "compatdata")) {
      const std::string id = FileName(game);
      const auto names = SteamValues(ReadText(apps / ("appmanifest_" + id + ".acf")), "name", 1);
      collector.Add(game / "pfx", Place::Steam, names.empty() ? id : names.front());
    }
  }
}

// A Lutris game's configuration names its prefix on a line "prefix: PATH"; the file is named
// after the game ("slug-1234567890.yml").
void CollectLutris(const WinePrefixPlaces& places, Collector& collector) {
  for (const fs::path& games :
       {places.config_home / "lutris" / "games", places.data_home / "lutris" / "games"}) {
    std::error_code error;
    for (fs::directory_iterator it(games, error), end; !error && it != end; it.increment(error)) {
      if (it->path().extension() != ".yml") continue;
      std::string slug = it->path().stem().string();
      if (const std::size_t dash = slug.find_last_of('-');
          dash != std::string::npos && dash + 1 < slug.size() &&
          slug.find_first_not_of("0123456789", dash + 1) == std::string::npos) {
        slug.erase(dash);
      }
      const std::string text = ReadText(it->path());
      for (std::size_t at = text.find("prefix:"); at != std::string::npos;
           at = text.find("prefix:", at + 1)) {
        if (at > 0 && text[at - 1] != ' ' && text[at - 1] != '\n') continue;
        const std::size_t end = text.find('\n', at);
        std::string value(Trim(text.substr(at + 7, end == std::string::npos ? end : end - at - 7)));
        if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
            value.back() == value.front()) {
          value = value.substr(1, value.size() - 2);
        }
        if (value.starts_with("~/")) value = (places.home / value.substr(2)).string();
        if (!value.empty()) collector.Add(value, Place::Lutris, slug);
      }
    }
  }
}

}  // namespace

std::vector<std::string> SteamValues(std::string_view text, std::string_view key, int depth) {
  std::vector<std::string> values;
  int level = 0;
  std::optional<std::string> pendingKey;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++pos;
    } else if (text.substr(pos, 2) == "//") {
      pos = text.find('\n', pos);
    } else if (c == '{') {
      ++level;
      pendingKey.reset();
      ++pos;
    } else if (c == '}') {
      --level;
      pendingKey.reset();
      ++pos;
    } else {
      std::string token;
      if (c == '"') {
        for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
          if (text[pos] == '\\' && pos + 1 < text.size()) {
            const char escaped = text[++pos];
            token += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
          } else {
            token += text[pos];
          }
        }
        ++pos;
      } else {
        while (pos < text.size() &&
               std::string_view(" \t\r\n{}\"").find(text[pos]) == std::string_view::npos) {
          token += text[pos++];
        }
      }
      if (!pendingKey) {
        pendingKey = std::move(token);
      } else {
        if (level == depth && EqualsIgnoringAsciiCase(*pendingKey, key)) {
          values.push_back(std::move(token));
        }
        pendingKey.reset();
      }
    }
  }
  return values;
}

std::optional<WinePrefixPlaces> UserWinePrefixPlaces() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return std::nullopt;
  WinePrefixPlaces places;
  places.home = home;
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) {
    places.wine_prefix = prefix;
  }
  const char* data = std::getenv("XDG_DATA_HOME");
  places.data_home = data && *data == '/' ? fs::path(data) : places.home / ".local" / "share";
  const char* config = std::getenv("XDG_CONFIG_HOME");
  places.config_home = config && *config == '/' ? fs::path(config) : places.home / ".config";
  return places;
}

std::vector<FoundWinePrefix> FindWinePrefixes(const WinePrefixPlaces& places) {
  Collector collector;
  if (places.wine_prefix) {
    collector.Add(*places.wine_prefix, Place::Wine, FileName(*places.wine_prefix));
  }
  collector.Add(places.home / ".wine", Place::Wine, ".wine");
  CollectSteam(places, collector);
  for (const fs::path& bottles :
       {places.data_home / "bottles" / "bottles",
        places.home / ".var/app/com.usebottles.bottles/data/bottles/bottles"}) {
    for (const fs::path& bottle : Subdirectories(bottles)) {
      collector.Add(bottle, Place::Bottles, FileName(bottle));
    }
  }
  CollectLutris(places, collector);
  for (const fs::path& prefix : Subdirectories(places.home / ".PlayOnLinux" / "wineprefix")) {
    collector.Add(prefix, Place::PlayOnLinux, FileName(prefix));
  }
  return collector.Take();
}

}  // namespace lintrove
