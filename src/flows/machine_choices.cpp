#include "flows/machine_choices.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "base/format.h"
#include "base/resource_strings.h"

namespace lintrove {
namespace {

// The programs that keep prefixes go by their own names in every language.
std::string_view PlaceName(FoundWinePrefix::Place place) {
  switch (place) {
    case FoundWinePrefix::Place::Wine:
      break;
    case FoundWinePrefix::Place::Steam:
      return "Steam";
    case FoundWinePrefix::Place::Bottles:
      return "Bottles";
    case FoundWinePrefix::Place::Lutris:
      return "Lutris";
    case FoundWinePrefix::Place::PlayOnLinux:
      return "PlayOnLinux";
  }
  return "Wine";
}

}  // namespace

std::string WinePrefixLabel(const FoundWinePrefix& prefix) {
  const std::string directory = prefix.directory.string();
  if (prefix.name.empty()) {
    return Format(LoadResString(ResString::UnnamedWinePrefix), PlaceName(prefix.place), directory);
  }
  return Format(LoadResString(ResString::NamedWinePrefix), PlaceName(prefix.place), prefix.name,
                directory);
}

std::vector<MachineChoice> UserMachineChoices(std::string_view chosen) {
  const std::optional<WinePrefixPlaces> places = UserWinePrefixPlaces();
  return MachineChoices(places ? FindWinePrefixes(*places) : std::vector<FoundWinePrefix>(),
                        chosen);
}

bool SameWinePrefix(std::string_view a, std::string_view b) {
  const auto normal = [](std::string_view text) {
    std::filesystem::path path = std::filesystem::path(text).lexically_normal();
    return path.has_filename() ? path : path.parent_path();
  };
  return normal(a) == normal(b);
}

std::vector<MachineChoice> MachineChoices(const std::vector<FoundWinePrefix>& found,
                                          std::string_view chosen) {
  std::vector<MachineChoice> choices{{"", LoadResString(ResString::ThisComputer)}};
  for (const FoundWinePrefix& prefix : found) {
    choices.push_back({prefix.directory.string(), WinePrefixLabel(prefix)});
  }
  const bool listed = std::ranges::any_of(choices, [chosen](const MachineChoice& choice) {
    return !choice.wine_prefix.empty() && SameWinePrefix(choice.wine_prefix, chosen);
  });
  if (!chosen.empty() && !listed) {
    choices.push_back(
        {std::string(chosen), Format(LoadResString(ResString::ChosenWinePrefix), chosen)});
  }
  return choices;
}

}  // namespace lintrove
