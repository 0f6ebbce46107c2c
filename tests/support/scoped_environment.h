#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace lintrove::test {

// Sets environment variables for one test and restores them after it. The locale variables
// start unset, so that the machine's own locale never decides a test.
class ScopedEnvironment {
 public:
  ScopedEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LINTROVE_LANGUAGE_DIR"}) Unset(name);
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const std::string& name, const std::string& value) {
    Save(name);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Save(name);
    ::unsetenv(name.c_str());
  }

 private:
  void Save(const std::string& name) {
    if (saved_.contains(name)) return;
    const char* value = std::getenv(name.c_str());
    saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
  }

  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace lintrove::test
