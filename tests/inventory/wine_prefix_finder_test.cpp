#include "inventory/wine_prefix_finder.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace lintrove {
namespace {

namespace fs = std::filesystem;
using Place = FoundWinePrefix::Place;

void MakePrefix(const fs::path& directory) {
  fs::create_directories(directory);
  test::WriteFileBytes(directory / "system.reg", "WINE REGISTRY Version 2\n");
}

void Write(const fs::path& file, std::string_view text) {
  fs::create_directories(file.parent_path());
  test::WriteFileBytes(file, text);
}

struct Row {
  Place place;
  std::string name;
  fs::path directory;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << static_cast<int>(row.place) << ' ' << row.name << ' ' << row.directory;
}

TEST(WinePrefixFinderTest, FindsThePrefixesOfEveryProgramThatKeepsThem) {
  test::TempDir dir;
  const fs::path home = dir / "home";
  const fs::path library = dir / "games" / "SteamLibrary";
  WinePrefixPlaces places{home, dir / "custom", home / ".local/share", home / ".config"};

  MakePrefix(home / ".wine");
  MakePrefix(dir / "custom");
  const fs::path steam = home / ".local/share/Steam/steamapps";
  MakePrefix(steam / "compatdata/570/pfx");
  Write(steam / "appmanifest_570.acf",
        "\"AppState\"\n{\n\t\"appid\"\t\t\"570\"\n\t\"name\"\t\t\"Dota \\\"2\\\"\"\n"
        "\t\"UserConfig\"\n\t{\n\t\t\"name\"\t\t\"not this\"\n\t}\n}\n");
  MakePrefix(steam / "compatdata/999/pfx");        // no manifest: its number
  fs::create_directories(steam / "compatdata/0");  // Steam's own folder, no prefix
  Write(steam / "libraryfolders.vdf", "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" +
                                          library.string() + "\"\n\t}\n}\n");
  MakePrefix(library / "steamapps/compatdata/1091500/pfx");
  Write(library / "steamapps/appmanifest_1091500.acf",
        "// exported\n\"AppState\" { \"name\" \"Cyberpunk 2077\" }");
  MakePrefix(home / ".local/share/bottles/bottles/Office");
  fs::create_directories(home / ".local/share/bottles/bottles/Empty");
  MakePrefix(dir / "games" / "witcher");
  Write(home / ".config/lutris/games/the-witcher-3-1690000000.yml",
        "game:\n  exe: witcher3.exe\n  prefix: " + (dir / "games" / "witcher").string() +
            "\nwine:\n  version: lutris\n  wine_prefix: /nowhere\n");
  Write(home / ".config/lutris/games/broken.yml", "game:\n  prefix: '/does/not/exist'\n");
  MakePrefix(home / ".PlayOnLinux/wineprefix/Notepad");
  // A second way to the same prefix counts once.
  fs::create_directories(home / ".steam");
  fs::create_directory_symlink(home / ".local/share/Steam", home / ".steam/steam");

  std::vector<Row> rows;
  for (const FoundWinePrefix& found : FindWinePrefixes(places)) {
    rows.push_back({found.place, found.name, found.directory});
  }
  EXPECT_EQ(rows,
            (std::vector<Row>{
                {Place::Wine, ".wine", home / ".wine"},
                {Place::Wine, "custom", dir / "custom"},
                {Place::Steam, "999", steam / "compatdata/999/pfx"},
                {Place::Steam, "Cyberpunk 2077", library / "steamapps/compatdata/1091500/pfx"},
                {Place::Steam, "Dota \"2\"", steam / "compatdata/570/pfx"},
                {Place::Bottles, "Office", home / ".local/share/bottles/bottles/Office"},
                {Place::Lutris, "the-witcher-3", dir / "games" / "witcher"},
                {Place::PlayOnLinux, "Notepad", home / ".PlayOnLinux/wineprefix/Notepad"},
            }));
}

TEST(WinePrefixFinderTest, AnEmptyHomeHasNone) {
  test::TempDir dir;
  EXPECT_TRUE(FindWinePrefixes({dir.Path(), std::nullopt, dir / "d", dir / "c"}).empty());
}

TEST(WinePrefixFinderTest, SteamValuesAreReadAtTheirDepth) {
  const std::string_view text =
      "\"libraryfolders\" { \"0\" { \"path\" \"/a\\\\b\" \"apps\" { \"path\" \"x\" } }\n"
      "  // \"path\" \"commented\"\n  \"1\" { path /c } }";
  EXPECT_EQ(SteamValues(text, "path", 2), (std::vector<std::string>{"/a\\b", "/c"}));
  EXPECT_EQ(SteamValues(text, "PATH", 3), (std::vector<std::string>{"x"}));
  EXPECT_TRUE(SteamValues("\"unterminated", "x", 0).empty());
  EXPECT_TRUE(SteamValues("}}} \"k\" \"v\"", "k", 0).empty()) << "below the top is no depth 0";
}

}  // namespace
}  // namespace lintrove
