#pragma once

#include <string>

#include <pugixml.hpp>

namespace lintrove {

// The service's answer to the question whether a newer client exists.
struct UpdateResponse {
  bool forceupdate = false;
  std::string infopage;        // a web page about the new version
  std::string downloadurl;     // the setup to download
  std::string currentversion;  // the newest client version, major.minor.release.build
  std::string sha256;          // hex of the setup's SHA-256; empty when the service sends none
  std::string signature;       // hex of the setup's Ed25519 signature; empty when none is sent
};

class UpdateResponseReader {
 public:
  // Fills the record from the first element of each field's name, at any depth, in the order
  // currentversion, downloadurl, forceupdate, infopage. A missing element raises "XML Fehler";
  // the fields before it keep what was read, the missing one is cleared. The checksum "sha256"
  // and the signature "signature" are optional: services that predate them leave them empty.
  static void Parse(const pugi::xml_document& answer, UpdateResponse& response);
};

}  // namespace lintrove
