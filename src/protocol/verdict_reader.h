#pragma once

#include <pugixml.hpp>

#include "inventory/program.h"
#include "protocol/property_reader.h"
#include "protocol/verdict_records.h"

namespace lintrove {

// Reads the service's answer to "step1" into the records of the programs sent.
class VerdictReader : public PropertyReader {
 public:
  // Each "Programm" element of the answer names, by its "ID", a position in `sent`; the record
  // holding that very program takes the verdict. Records no element names are left as they are.
  // The first error ends the reading; records read before it keep their new state.
  static void ReadVerdicts(const ProgramRefList& sent, const pugi::xml_document& answer,
                           VerdictList& verdicts);
};

}  // namespace lintrove
