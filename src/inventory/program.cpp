#include "inventory/program.h"

namespace lintrove {

void ProgramFinder::ReportProgress(std::string_view technology, std::string_view name,
                                   std::int32_t position, std::int32_t total) const {
  lintrove::ReportProgress(progress, {technology, name, position, total});
}

}  // namespace lintrove
