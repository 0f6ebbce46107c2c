#include "json_output.h"

#include <ostream>

namespace lintrove::cli {

void JsonArrayWriter::Add(const nlohmann::ordered_json& element) {
  text_ += empty_ ? "\n  " : ",\n  ";
  text_ += element.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  empty_ = false;
}

void JsonArrayWriter::Finish() {
  text_ += empty_ ? "]\n" : "\n]\n";
  out_ << text_;
}

}  // namespace lintrove::cli
