#pragma once

#include <iosfwd>
#include <vector>

#include <nlohmann/json.hpp>

namespace lintrove::cli {

// Writes the elements as a JSON array, one element to a line, so that the output reads well
// and still goes out in one write. Text that is not valid UTF-8 is written with U+FFFD.
void WriteJsonArray(const std::vector<nlohmann::ordered_json>& elements, std::ostream& out);

}  // namespace lintrove::cli
