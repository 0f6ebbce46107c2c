#pragma once

#include <string>
#include <vector>

namespace lintrove::platform {

// What the session starts when the user logs on: a program and its arguments, kept apart so
// that each system can quote them by its own rules.
struct LogonCommand {
  std::string program;
  std::vector<std::string> arguments;
};

// The program's entry for being started at log-on. Windows: a value under the user's Run key.
// Linux: an XDG autostart desktop file.
class LogonEntry {
 public:
  virtual ~LogonEntry() = default;
  virtual bool Exists() const = 0;
  // Creates the entry or replaces it; throws lintrove::Error when the system refuses.
  virtual void Write(const LogonCommand& command) = 0;
  // An entry that is not there, or that cannot be removed, is no error: removing is tidying up.
  virtual void Remove() = 0;
};

// The entry named "lintrove" of the user running this process.
LogonEntry& SystemLogonEntry();

}  // namespace lintrove::platform
