#include "base/lists.h"

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"

namespace lintrove {

void ThrowListIndexError(int index) {
  throw Error(Format(LoadResString(ResString::ListIndexOutOfBounds), index));
}

}  // namespace lintrove
