#pragma once

#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

namespace lintrove::cli {

// Writes a JSON array, one element to a line, so that the output reads well; the text is
// gathered and goes out in one write when the array is finished. Text that is not valid UTF-8
// is written with U+FFFD.
class JsonArrayWriter {
 public:
  explicit JsonArrayWriter(std::ostream& out) : out_(out) {}
  JsonArrayWriter(const JsonArrayWriter&) = delete;
  JsonArrayWriter& operator=(const JsonArrayWriter&) = delete;

  void Add(const nlohmann::ordered_json& element);
  void Finish();

 private:
  std::ostream& out_;
  std::string text_ = "[";
  bool empty_ = true;
};

}  // namespace lintrove::cli
