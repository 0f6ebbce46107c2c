#include "json_output.h"

#include <ostream>
#include <string>

namespace lintrove::cli {

void WriteJsonArray(const std::vector<nlohmann::ordered_json>& elements, std::ostream& out) {
  std::string text = "[";
  for (std::size_t i = 0; i < elements.size(); ++i) {
    text += i == 0 ? "\n  " : ",\n  ";
    text += elements[i].dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  }
  text += elements.empty() ? "]\n" : "\n]\n";
  out << text;
}

}  // namespace lintrove::cli
