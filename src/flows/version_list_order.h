#pragma once

#include <vector>

#include "protocol/verdict_records.h"

namespace lintrove {

// The versions a program's details list: oldest at the top, by the five numeric parts compared
// as signed numbers, the first that differs deciding; versions equal in all five keep the
// answer's order. The names are not compared: "1.10" comes after "1.9".
std::vector<const OfferedVersion*> VersionsInListOrder(const VersionList& versions);

}  // namespace lintrove
