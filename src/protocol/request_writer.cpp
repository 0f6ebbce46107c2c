#include "protocol/request_writer.h"

#include <new>
#include <optional>
#include <utility>

#include "base/text.h"

namespace lintrove {
namespace {

constexpr std::string_view kDeclaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

// XML 1.0 has no form, not even a character reference, for most control characters; a value
// holding one (a broken registry entry) would make the whole request unreadable for the service.
std::string XmlSafe(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      safe += "\xEF\xBF\xBD";  // U+FFFD
    } else {
      safe += c;
    }
  }
  return safe;
}

// The text a property contributes, or nothing for a property that is not written.
std::optional<std::string> PropertyText(const PropertyInfo& property, const Published& object) {
  switch (property.Kind()) {
    case PropertyKind::NarrowText:
    case PropertyKind::WideText: {
      const std::string text = property.GetText(object);
      const std::string_view trimmed = Trim(text);
      if (trimmed.empty()) return std::nullopt;
      return XmlSafe(trimmed);
    }
    case PropertyKind::Integer:
      return std::to_string(property.GetInteger(object));
    case PropertyKind::Boolean:
      return property.GetBoolean(object) ? "true" : "false";
    case PropertyKind::Enumeration:
    case PropertyKind::Float:
    case PropertyKind::Object:
      break;
  }
  return std::nullopt;
}

// Appends the serialised tree to a text, without a stream in between.
class StringWriter final : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& text) : text_(text) {}
  void write(const void* data, std::size_t size) override {
    text_.append(static_cast<const char*>(data), size);
  }

 private:
  std::string& text_;
};

}  // namespace

RequestWriter::RequestWriter() : document_(NewDocument()) {}

std::unique_ptr<pugi::xml_document> RequestWriter::NewDocument() {
  auto document = std::make_unique<pugi::xml_document>();
  document->append_child("dorvupdater");
  return document;
}

void RequestWriter::WriteProperties(pugi::xml_node parent, const Published& object) {
  for (const PropertyInfo* property : object.PublishedClassInfo().Properties()) {
    std::optional<std::string> text;
    try {
      text = PropertyText(*property, object);
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception&) {
      // A property that cannot be read is simply missing from the request.
      continue;
    }
    if (!text) continue;
    pugi::xml_node element = parent.append_child(std::string(property->Name()).c_str());
    element.append_child(pugi::node_cdata).set_value(text->c_str());
  }
}

void RequestWriter::AddCommand(const ServiceCommand& command) {
  // The element is named after the class without its first letter: "Command".
  const std::string name(command.PublishedClassInfo().Name().substr(1));
  WriteProperties(Root().append_child(name.c_str()), command);
}

std::string RequestWriter::GetXml() const {
  std::string text(kDeclaration);
  text += "\r\n";
  StringWriter tree(text);
  document_->save(tree, "",
                  pugi::format_raw | pugi::format_no_declaration | pugi::format_skip_control_chars |
                      pugi::format_no_empty_element_tags,
                  pugi::encoding_utf8);
  // Every line of the text ends with CR LF, also a line break inside a value.
  const std::size_t tree_start = kDeclaration.size() + 2;
  if (text.find_first_of("\r\n", tree_start) != std::string::npos) {
    std::string normalised = text.substr(0, tree_start);
    for (std::size_t i = tree_start; i < text.size(); ++i) {
      if (text[i] == '\r' || text[i] == '\n') {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        normalised += "\r\n";
      } else {
        normalised += text[i];
      }
    }
    text = std::move(normalised);
  }
  text += "\r\n";
  return text;
}

}  // namespace lintrove
