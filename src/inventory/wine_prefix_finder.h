#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lintrove {

// Where a user's Wine prefixes live.
struct WinePrefixPlaces {
  std::filesystem::path home;
  std::optional<std::filesystem::path> wine_prefix;  // $WINEPREFIX
  std::filesystem::path data_home;                   // $XDG_DATA_HOME, else ~/.local/share
  std::filesystem::path config_home;                 // $XDG_CONFIG_HOME, else ~/.config
};

// The places of this user, from the environment; none where the home directory is unknown.
std::optional<WinePrefixPlaces> UserWinePrefixPlaces();

// A Wine prefix found on this machine: where it lies, which program made it and its name there.
struct FoundWinePrefix {
  enum class Place { Wine, Steam, Bottles, Lutris, PlayOnLinux };
  std::filesystem::path directory;
  Place place = Place::Wine;
  std::string name;  // a Steam game's name from its manifest, a bottle's or game's name
};

// The Wine prefixes (directories with a system.reg) that the user's Wine, Steam (every library
// its libraryfolders.vdf names), Bottles (also as Flatpak), Lutris and PlayOnLinux keep, each
// once, in that order, sorted by name within a place. A file that cannot be read is passed over:
// a prefix found is only an offer.
std::vector<FoundWinePrefix> FindWinePrefixes(const WinePrefixPlaces& places);

// The values of key at a nesting depth (1: inside the outermost block) of a text in Steam's
// KeyValues form ("key" "value" pairs, nested { } blocks, // comments), in text order: a game's
// "name" in its appmanifest, the libraries' "path" in libraryfolders.vdf.
std::vector<std::string> SteamValues(std::string_view text, std::string_view key, int depth);

}  // namespace lintrove
