#include "http/service_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace lintrove::service {
namespace {

// 2026-12-10T09:30:00.123Z
std::string UtcNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
  return text;
}

}  // namespace

std::optional<LogLevel> ParseLogLevel(std::string_view word) {
  if (word == "quiet") return LogLevel::Quiet;
  if (word == "error") return LogLevel::Error;
  if (word == "warning") return LogLevel::Warning;
  if (word == "info") return LogLevel::Info;
  if (word == "debug") return LogLevel::Debug;
  return std::nullopt;
}

void ServiceLog::Write(LogLevel level, std::string_view line) {
  if (!Enabled(level)) return;
  static constexpr std::string_view kNames[] = {"", "error", "warning", "info", "debug"};
  std::string text = UtcNow();
  text += ' ';
  text += kNames[static_cast<int>(level)];
  text += ' ';
  text += line;
  text += '\n';
  std::lock_guard lock(mutex_);
  out_ << text << std::flush;
}

}  // namespace lintrove::service
