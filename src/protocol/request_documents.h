#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "inventory/program.h"
#include "platform/registry.h"
#include "protocol/request_writer.h"

namespace lintrove {

class ClientSettings;

// What the requests tell the service about the client and the machine.
struct ClientFacts {
  std::string version;  // the client's own version, four numbers joined by "."
  std::string guid;     // ClientGuid
  std::uint32_t lcid = 0;
  std::string windows_version;
  bool windows64 = false;
  bool upgrades = false;  // bol_upgrades
  bool betas = false;     // bol_developerversionen
  std::string system;     // what this build runs on, for the setup the service offers
};

// The facts of this client now: its settings, the user's locale and the system.
ClientFacts CurrentClientFacts(const ClientSettings& settings);
// The same facts with the Windows version and the 64-bit flag of the machine whose programs are
// sent, which is another than the client's own when it checks a Wine prefix.
ClientFacts FactsOfCheckedMachine(ClientFacts facts, platform::RegistryBackend& machine);

// The LCID as the requests carry it: eight upper-case hexadecimal digits (00000407).
std::string LcidText(std::uint32_t lcid);

// Writes the "updatecheck" and "step1" documents: Command, then Client, then the programs.
class ClientRequestWriter : public RequestWriter {
 public:
  // A "Client" element with "Version", "Guid", "LCID" and "WindowsVersion", appended to
  // `parent`.
  static pugi::xml_node CreateClientElement(pugi::xml_node parent, const ClientFacts& client,
                                            std::string_view lcid);
  // The client element with the options "upgrades", "win64" and "betas" (1 or 0) as well.
  static void AddClientWithOptions(pugi::xml_node parent, const ClientFacts& client,
                                   std::string_view lcid);
  // The client with options, then "Programme" with one "Programm" per program, its "ID" the
  // position in `programs` from 0.
  void AddPrograms(const ProgramRefList& programs, const ClientFacts& client,
                   std::string_view lcid);
  static void WriteProgram(pugi::xml_node element, const Program& program);
};

// The client element also tells "System", so that the service offers a setup this client can
// start; services that do not know it ignore it.
std::string BuildUpdatecheckRequest(const ClientFacts& client);
// The programs' positions in `programs` are their IDs towards the service: keep the list
// unchanged until the answer has been read.
std::string BuildStep1Request(const ProgramRefList& programs, const ClientFacts& client);

}  // namespace lintrove
