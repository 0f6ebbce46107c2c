#include "inventory/program.h"

#include <stdexcept>
#include <utility>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"

namespace lintrove {

tProgrammeListe::tProgrammeListe(bool aOwnsObjects) : ownsObjects_(aOwnsObjects) {}

int tProgrammeListe::Add(std::unique_ptr<tProgramm> aProgramm) {
  if (!ownsObjects_) throw std::logic_error("tProgrammeListe: a non-owning list takes no program");
  if (!aProgramm) throw std::logic_error("tProgrammeListe: no program to add");
  items_.push_back(aProgramm.get());
  owned_.push_back(std::move(aProgramm));
  return Count() - 1;
}

int tProgrammeListe::Add(tProgramm& aProgramm) {
  if (ownsObjects_) throw std::logic_error("tProgrammeListe: an owning list needs its program");
  items_.push_back(&aProgramm);
  return Count() - 1;
}

tProgramm& tProgrammeListe::Items(int aIndex) const {
  if (aIndex < 0 || aIndex >= Count()) {
    throw Error(Format(LoadResString(ResString::ListIndexOutOfBounds), aIndex));
  }
  return *items_[static_cast<std::size_t>(aIndex)];
}

std::vector<std::unique_ptr<tProgramm>> tProgrammeListe::ReleaseAll() {
  if (!ownsObjects_)
    throw std::logic_error("tProgrammeListe: a non-owning list has nothing to hand on");
  items_.clear();
  return std::exchange(owned_, {});
}

void tProgrammFinder::ReportProgress(std::string_view aTechnology, std::string_view aName,
                                     std::int32_t aPosition, std::int32_t aTotal) const {
  if (OnProgress) OnProgress(aTechnology, aName, aPosition, aTotal);
}

}  // namespace lintrove
