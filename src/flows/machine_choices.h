#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "inventory/wine_prefix_finder.h"

namespace lintrove {

// A machine the window can check: this computer (its registry store) or a Wine prefix.
struct MachineChoice {
  std::string wine_prefix;  // the prefix's directory as the settings keep it; empty: this computer
  std::string label;
};

// How the options name a prefix found: its place and, where it has one, its name (a Steam
// prefix by its game's name), then its directory.
std::string WinePrefixLabel(const FoundWinePrefix& prefix);

// This computer first, then every prefix found in the finder's order. The prefix chosen before
// (`chosen`) is listed by its directory when it is no longer found, so that keeping the options
// as they are keeps it.
std::vector<MachineChoice> MachineChoices(const std::vector<FoundWinePrefix>& found,
                                          std::string_view chosen);

// MachineChoices of the prefixes this user's Wine, Steam, Bottles, Lutris and PlayOnLinux keep.
std::vector<MachineChoice> UserMachineChoices(std::string_view chosen);

// Whether two directories name the same prefix, a trailing separator or "." aside.
bool SameWinePrefix(std::string_view a, std::string_view b);

}  // namespace lintrove
