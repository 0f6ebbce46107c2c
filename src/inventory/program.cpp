#include "inventory/program.h"

#include <stdexcept>
#include <utility>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"

namespace lintrove {

ProgramList::ProgramList(bool owns_objects) : ownsObjects_(owns_objects) {}

int ProgramList::Add(std::unique_ptr<Program> program) {
  if (!ownsObjects_) throw std::logic_error("tProgrammeListe: a non-owning list takes no program");
  if (!program) throw std::logic_error("tProgrammeListe: no program to add");
  items_.push_back(program.get());
  owned_.push_back(std::move(program));
  return Count() - 1;
}

int ProgramList::Add(Program& program) {
  if (ownsObjects_) throw std::logic_error("tProgrammeListe: an owning list needs its program");
  items_.push_back(&program);
  return Count() - 1;
}

Program& ProgramList::Items(int index) const {
  if (index < 0 || index >= Count()) {
    throw Error(Format(LoadResString(ResString::ListIndexOutOfBounds), index));
  }
  return *items_[static_cast<std::size_t>(index)];
}

std::vector<std::unique_ptr<Program>> ProgramList::ReleaseAll() {
  if (!ownsObjects_)
    throw std::logic_error("tProgrammeListe: a non-owning list has nothing to hand on");
  items_.clear();
  return std::exchange(owned_, {});
}

void ProgramFinder::ReportProgress(std::string_view technology, std::string_view name,
                                     std::int32_t position, std::int32_t total) const {
  if (OnProgress) OnProgress(technology, name, position, total);
}

}  // namespace lintrove
