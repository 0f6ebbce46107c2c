#pragma once

#include <string_view>

namespace lintrove {

// The program's name on its windows and error boxes.
inline constexpr std::string_view ApplicationTitle = "Dorv Lintrove";
// The project's web address, shown in the main window's caption.
inline constexpr std::string_view ApplicationWebAddress = "www.lintrove.example";

}  // namespace lintrove
