#include "flows/homepage_address.h"

#include "base/text.h"

namespace lintrove {
namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::optional<std::string> HomepageAddress(std::string_view homepage) {
  const std::string_view text = Trim(homepage);
  if (StartsWithIgnoringCase(text, "http://") || StartsWithIgnoringCase(text, "https://")) {
    return std::string(text);
  }
  if (StartsWithIgnoringCase(text, "www.")) return "http://" + std::string(text);
  return std::nullopt;
}

}  // namespace lintrove
