#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "platform/registry.h"

namespace lintrove::cli {

// What a command works with; the tests give their own.
struct CommandContext {
  platform::RegistryBackend& registry;
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool interactive;  // questions may be asked on in
};

// Wrong arguments: reported with the command's usage.
class UsageError : public Error {
 public:
  using Error::Error;
};

// Switches in the Windows style ("/v NAME", "/f"; "-v" too), without regard to case.
class Switches {
 public:
  // spec lists the accepted switches; a trailing ":" marks one that takes a value ("v:").
  Switches(std::span<const std::string> args, std::initializer_list<std::string_view> spec);

  bool Has(std::string_view name) const { return values_.contains(std::string(name)); }
  std::optional<std::string> Value(std::string_view name) const;

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

// Refuses (UsageError) an argument that stands for text (a key or value name, data, an address)
// but is not UTF-8. Kept, it would become another text (U+FFFD in place of its bytes): a name
// given so would be stored and then never found. File and directory names are not text on
// Linux but bytes, and are taken as they are.
void RequireUtf8Text(std::string_view argument);

// Asks a yes/no question where one can be asked; elsewhere the answer is no.
bool Confirm(CommandContext& context, std::string_view question);

}  // namespace lintrove::cli
