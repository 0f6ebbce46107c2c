#pragma once

#include <mutex>
#include <optional>
#include <ostream>
#include <string_view>

namespace lintrove::service {

enum class LogLevel { Quiet, Error, Warning, Info, Debug };

// None for a word that names no level.
std::optional<LogLevel> ParseLogLevel(std::string_view word);

// Whole lines with a UTC time in front, written under a lock so that the threads of the server
// never mix their lines. Lines above the level are dropped.
class ServiceLog {
 public:
  ServiceLog(std::ostream& out, LogLevel level) : out_(out), level_(level) {}

  bool Enabled(LogLevel level) const { return level != LogLevel::Quiet && level <= level_; }
  void Write(LogLevel level, std::string_view line);

 private:
  std::mutex mutex_;
  std::ostream& out_;
  LogLevel level_;
};

}  // namespace lintrove::service
