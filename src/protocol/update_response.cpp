#include "protocol/update_response.h"

#include <string_view>

#include "base/error.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "protocol/answer_document.h"

namespace lintrove {
namespace {

// The first element of that name in document order, at any depth.
pugi::xml_node FirstElement(const pugi::xml_document& document, std::string_view name) {
  return document.find_node([name](pugi::xml_node node) {
    return node.type() == pugi::node_element && name == node.name();
  });
}

std::string RequiredText(const pugi::xml_document& document, std::string_view name) {
  const pugi::xml_node element = FirstElement(document, name);
  if (!element) throw Error(LoadResString(ResString::XmlError));
  return TextContent(element);
}

// Blanks around it ignored; empty when the element is missing.
std::string OptionalText(const pugi::xml_document& document, std::string_view name) {
  const pugi::xml_node element = FirstElement(document, name);
  return element ? std::string(Trim(TextContent(element))) : std::string();
}

}  // namespace

void UpdateResponseReader::Parse(const pugi::xml_document& answer, UpdateResponse& response) {
  response.currentversion.clear();
  response.currentversion = RequiredText(answer, "currentversion");
  response.downloadurl.clear();
  response.downloadurl = RequiredText(answer, "downloadurl");
  response.forceupdate = false;
  response.forceupdate = LowerAscii(RequiredText(answer, "forceupdate")) == "true";
  response.infopage.clear();
  response.infopage = RequiredText(answer, "infopage");
  response.sha256 = OptionalText(answer, "sha256");
  response.signature = OptionalText(answer, "signature");
}

}  // namespace lintrove
