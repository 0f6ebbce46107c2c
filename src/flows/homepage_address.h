#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lintrove {

// The web address the details open for a program's home page, or none. The text comes from the
// service or from the program's own registration and is opened by the shell, which would as
// well start a program or open a file: so only http and https addresses are opened, and a bare
// "www." host as an http address.
std::optional<std::string> HomepageAddress(std::string_view homepage);

}  // namespace lintrove
