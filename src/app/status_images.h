#pragma once

#include <QIcon>

#include "protocol/verdict_records.h"

namespace lintrove::app {

// The image of a status in the program list, drawn by the build from our own vector images at
// the sizes of common pixel densities, so it stays sharp. A null icon for a value outside the
// four statuses.
// Needs the application object.
QIcon StatusIcon(ProgramStatus status);

}  // namespace lintrove::app
