#pragma once

#include <pugixml.hpp>

#include "base/reflection.h"

namespace lintrove {

// Fills objects from the service's answer by their published properties.
class PropertyReader {
 public:
  // Each text or Integer property takes the text of the first child element of `node` named
  // like it; a property without such an element keeps its value, other kinds are not read. An
  // Integer element whose text is no integer raises the conversion error and ends the reading.
  static void ReadProperties(pugi::xml_node node, Published& object);
};

}  // namespace lintrove
