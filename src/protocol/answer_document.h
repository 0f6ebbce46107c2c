#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "base/error.h"

namespace lintrove {

// The service's answer could not be read as an XML document; the exchange failed.
class AnswerNotXml : public Error {
 public:
  using Error::Error;
};

// Parses a service answer. Anything that is not one well-formed XML document (an empty answer,
// an HTML error page, a truncated answer, stray text after the root element) raises AnswerNotXml
// with the reason, so that a broken answer never reads as one that names nothing.
void ParseAnswer(std::string_view text, pugi::xml_document& document);

// The text of an element as the readers see it: all its text and CDATA, at any depth, joined.
std::string TextContent(pugi::xml_node node);
// The text of an element whose one child is a text or CDATA, without a copy: the common case,
// worth asking first. Null for any other element.
const char* OnlyText(pugi::xml_node node);

// Whether a node's name (null-terminated, as pugixml gives it) is exactly `wanted`. Inline and
// without a library call: the readers ask it for every element and attribute of an answer.
inline bool NameIs(const char* name, std::string_view wanted) {
  for (const char c : wanted) {
    if (*name++ != c) return false;
  }
  return *name == '\0';
}

// The small letters of A to Z; the service's words are ASCII.
std::string LowerAscii(std::string text);

// A decimal integer of 32 bits, negative with "-", nothing around it; anything else raises
// "'%s' is not a valid integer value".
std::int32_t AnswerInteger(std::string_view text);
// The same for a null-terminated text, read without measuring it first.
std::int32_t AnswerInteger(const char* text);

}  // namespace lintrove
