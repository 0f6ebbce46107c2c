#pragma once

#include <QIcon>

#include "platform/machine_files.h"

namespace lintrove {
class Program;
}

namespace lintrove::app {

// The program's icon (its own, the installer's or the question mark) with every size its icon
// file holds, so that it is drawn sharp at any pixel density. `machine`: the files of the machine
// the program is installed on.
QIcon ProgramIconOf(const Program& program, const platform::MachineFiles& machine);

}  // namespace lintrove::app
