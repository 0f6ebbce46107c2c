#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace lintrove {

// The programs the user ticked to ignore: one value per program under IgnoreKey of
// HKEY_CURRENT_USER, named with the program's identifier. Any value of that name marks the
// program, whatever its type or data.
class IgnoreMarks {
 public:
  // Reads the marks as they stand now; a key that cannot be opened means no marks.
  explicit IgnoreMarks(platform::RegistryBackend& backend = platform::SystemRegistry());

  bool IsIgnored(std::string_view identifier) const;

  // The identifiers of every stored mark, as stored, in the key's order.
  std::vector<std::string> Identifiers() const;

  // Stores or removes a mark at once, creating the key when needed.
  static void SetIgnored(std::string_view identifier, bool ignored,
                         platform::RegistryBackend& backend = platform::SystemRegistry());

 private:
  platform::Registry registry_;
};

}  // namespace lintrove
