#include "protocol/verdict_records.h"

#include <algorithm>

namespace lintrove {

std::string ProgramVerdict::DisplayName() const {
  return program ? program->GetName() : std::string();
}

std::string ProgramVerdict::Homepage() const {
  if (!homepage.empty()) return homepage;
  return program ? program->GetHomepage() : std::string();
}

void SortByDisplayName(std::vector<const ProgramVerdict*>& entries) {
  // std::string compares its characters as unsigned bytes.
  std::vector<std::pair<std::string, const ProgramVerdict*>> keyed;
  keyed.reserve(entries.size());
  for (const ProgramVerdict* entry : entries) keyed.emplace_back(entry->DisplayName(), entry);
  std::ranges::stable_sort(keyed, {}, &std::pair<std::string, const ProgramVerdict*>::first);
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = keyed[i].second;
}

}  // namespace lintrove
