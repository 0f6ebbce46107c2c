#include "protocol/request_documents.h"

#include "base/format.h"

namespace lintrove {
namespace {

int Switch(bool on) { return on ? 1 : 0; }

}  // namespace

std::string LcidText(std::uint32_t lcid) { return Format("%08X", lcid); }

pugi::xml_node ClientRequestWriter::CreateClientElement(pugi::xml_node parent,
                                                        const ClientFacts& client,
                                                        std::string_view lcid) {
  pugi::xml_node element = parent.append_child("Client");
  element.append_attribute("Version").set_value(client.version.c_str());
  element.append_attribute("Guid").set_value(client.guid.c_str());
  element.append_attribute("LCID").set_value(std::string(lcid).c_str());
  element.append_attribute("WindowsVersion").set_value(client.windows_version.c_str());
  return element;
}

void ClientRequestWriter::AddClientWithOptions(pugi::xml_node parent, const ClientFacts& client,
                                               std::string_view lcid) {
  pugi::xml_node element = CreateClientElement(parent, client, lcid);
  element.append_attribute("upgrades").set_value(Switch(client.upgrades));
  element.append_attribute("win64").set_value(Switch(client.windows64));
  element.append_attribute("betas").set_value(Switch(client.betas));
}

void ClientRequestWriter::AddPrograms(const ProgramRefList& programs, const ClientFacts& client,
                                      std::string_view lcid) {
  AddClientWithOptions(Root(), client, lcid);
  pugi::xml_node list = Root().append_child("Programme");
  for (int i = 0; i < programs.Count(); ++i) {
    const Program& program = programs.Items(i);
    pugi::xml_node element = list.append_child("Programm");
    element.append_attribute("ID").set_value(i);
    element.append_attribute("ClassType")
        .set_value(std::string(program.PublishedClassInfo().Name()).c_str());
    WriteProgram(element, program);
  }
}

void ClientRequestWriter::WriteProgram(pugi::xml_node element, const Program& program) {
  WriteProperties(element, program);
}

std::string BuildUpdatecheckRequest(const ClientFacts& client) {
  ClientRequestWriter writer;
  writer.AddCommand(ServiceCommand("updatecheck"));
  pugi::xml_node element = writer.CreateClientElement(writer.Root(), client, LcidText(client.lcid));
  if (!client.system.empty()) element.append_attribute("System").set_value(client.system.c_str());
  return writer.GetXml();
}

std::string BuildStep1Request(const ProgramRefList& programs, const ClientFacts& client) {
  ClientRequestWriter writer;
  writer.AddCommand(ServiceCommand("step1"));
  writer.AddPrograms(programs, client, LcidText(client.lcid));
  return writer.GetXml();
}

}  // namespace lintrove
