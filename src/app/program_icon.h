#pragma once

#include <QIcon>

namespace lintrove {
class Program;
}

namespace lintrove::app {

// The program's icon (its own, the installer's or the question mark) with every size its icon
// file holds, so that it is drawn sharp at any pixel density.
QIcon ProgramIconOf(const Program& program);

}  // namespace lintrove::app
