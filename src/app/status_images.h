#pragma once

#include <QIcon>

#include "protocol/verdict_records.h"

namespace lintrove::app {

// The image of a status in the program list: drawn from our own vector images, so it stays
// sharp on screens of any pixel density. A null icon for a value outside the four statuses.
// Needs the application object.
QIcon StatusIcon(ProgramStatus status);

}  // namespace lintrove::app
