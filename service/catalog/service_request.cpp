#include "catalog/service_request.h"

#include <charconv>
#include <optional>

#include <pugixml.hpp>

#include "base/text.h"
#include "catalog/clean_text.h"
#include "protocol/answer_document.h"

namespace lintrove::service {
namespace {

constexpr int kBadRequest = 400;
constexpr int kTooLarge = 413;

// Text around the root element is kept as a fragment, so that it can be refused. A document
// type declaration becomes a node, so that it can be refused too: pugixml never expands
// entities beyond the five of XML, but no client of ours sends one.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_fragment | pugi::parse_doctype;

pugi::xml_node SingleRoot(const pugi::xml_document& document) {
  pugi::xml_node root;
  for (pugi::xml_node child : document.children()) {
    switch (child.type()) {
      case pugi::node_element:
        if (root) throw RequestError(kBadRequest, "more than one root element");
        root = child;
        break;
      case pugi::node_doctype:
        throw RequestError(kBadRequest, "a document type declaration is not accepted");
      case pugi::node_pcdata:
      case pugi::node_cdata:
        throw RequestError(kBadRequest, "text outside the root element");
      default:
        break;
    }
  }
  if (!root) throw RequestError(kBadRequest, "no root element");
  return root;
}

// A walk without recursion: the sender decides how deep the elements nest.
void CheckDepth(pugi::xml_node root, std::size_t max_depth) {
  std::size_t depth = 1;
  pugi::xml_node current = root;
  while (true) {
    if (pugi::xml_node child = current.first_child(); child) {
      if (++depth > max_depth) throw RequestError(kBadRequest, "elements nested too deep");
      current = child;
      continue;
    }
    while (!current.next_sibling()) {
      if (current == root) return;
      current = current.parent();
      --depth;
    }
    if (current == root) return;
    current = current.next_sibling();
  }
}

std::int32_t ProgramId(const char* text, std::size_t max_programs) {
  const std::string_view digits(text);
  std::int32_t id = -1;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || id < 0 ||
      static_cast<std::size_t>(id) >= max_programs) {
    throw RequestError(kBadRequest, "a program ID is not a position in the request");
  }
  return id;
}

std::string Attribute(pugi::xml_node element, const char* name) {
  return CleanText(element.attribute(name).value());
}

bool Switch(pugi::xml_node client, const char* name) {
  return std::string_view(client.attribute(name).value()) == "1";
}

RequestClient ReadClient(pugi::xml_node client) {
  RequestClient facts;
  facts.version = Attribute(client, "Version");
  facts.guid = Attribute(client, "Guid");
  facts.lcid = Attribute(client, "LCID");
  facts.windows_version = Attribute(client, "WindowsVersion");
  facts.system = Attribute(client, "System");
  facts.upgrades = Switch(client, "upgrades");
  facts.win64 = Switch(client, "win64");
  facts.betas = Switch(client, "betas");
  return facts;
}

std::vector<SentProgram> ReadPrograms(pugi::xml_node list, const RequestLimits& limits) {
  std::vector<SentProgram> programs;
  for (pugi::xml_node element : list.children("Programm")) {
    if (programs.size() == limits.max_programs) {
      throw RequestError(kTooLarge, "more than " + std::to_string(limits.max_programs) +
                                        " programs in one request");
    }
    SentProgram& program = programs.emplace_back();
    program.id = ProgramId(element.attribute("ID").value(), limits.max_programs);
    program.class_type = Attribute(element, "ClassType");
    for (pugi::xml_node property : element.children()) {
      if (property.type() != pugi::node_element) continue;
      program.properties.emplace_back(property.name(), CleanText(Trim(TextContent(property))));
    }
  }
  return programs;
}

}  // namespace

std::string_view SentProgram::Property(std::string_view name) const {
  for (const auto& [key, value] : properties) {
    if (key == name) return value;
  }
  return {};
}

ServiceRequest ReadRequest(std::string_view body, const RequestLimits& limits) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(body.data(), body.size(), kParseOptions, pugi::encoding_auto);
  if (!parsed) {
    throw RequestError(kBadRequest, std::string("not an XML document: ") + parsed.description() +
                                        " at offset " + std::to_string(parsed.offset));
  }
  const pugi::xml_node root = SingleRoot(document);
  CheckDepth(root, limits.max_depth);
  if (std::string_view(root.name()) != "dorvupdater") {
    throw RequestError(kBadRequest, "the root element is not dorvupdater");
  }
  ServiceRequest request;
  const pugi::xml_node command = root.child("Command").child("str_command");
  if (!command) throw RequestError(kBadRequest, "no Command/str_command element");
  request.command = Trim(TextContent(command));
  request.client = ReadClient(root.child("Client"));
  request.programs = ReadPrograms(root.child("Programme"), limits);
  return request;
}

}  // namespace lintrove::service
