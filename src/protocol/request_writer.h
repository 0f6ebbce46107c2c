#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include <pugixml.hpp>

#include "base/reflection.h"

namespace lintrove {

// The command object of every request: its one property names what the service is to do.
class ServiceCommand : public PublishedClass<ServiceCommand> {
 public:
  static constexpr std::string_view kClassName = "TCommand";

  ServiceCommand() = default;
  explicit ServiceCommand(std::string command) : str_command(std::move(command)) {}

  std::string str_command;

  static constexpr std::array kPublished{
      Publish<&ServiceCommand::str_command>("str_command", PropertyKind::WideText),
  };
};

// One request document: started as the empty root element "dorvupdater", filled with objects
// by their published properties, and turned into the request text at the end. A writer serves
// exactly one request.
class RequestWriter {
 public:
  RequestWriter();
  virtual ~RequestWriter() = default;
  RequestWriter(const RequestWriter&) = delete;
  RequestWriter& operator=(const RequestWriter&) = delete;

  static std::unique_ptr<pugi::xml_document> NewDocument();

  // Appends one element per written property of `object` to `parent`: texts and integers
  // trimmed and only when not empty, Booleans always ("true"/"false"), other kinds never. A
  // property whose value cannot be read is left out; the walk goes on with the next one.
  static void WriteProperties(pugi::xml_node parent, const Published& object);

  // Appends a "Command" element for `command` as the last child of the root element.
  void AddCommand(const ServiceCommand& command);

  // The request text: the declaration alone on the first line, the whole element tree on the
  // second, each line ended by CR LF.
  std::string GetXml() const;

  pugi::xml_node Root() const { return document_->document_element(); }

 private:
  std::unique_ptr<pugi::xml_document> document_;
};

}  // namespace lintrove
