#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "catalog/release.h"
#include "http/server_settings.h"
#include "http/service_log.h"

namespace lintrove::service {

// Wrong arguments: reported with the usage text.
class UsageError : public Error {
 public:
  using Error::Error;
};

// A wrong settings file: the message names the file and, where it is one line's fault, the line.
// Reported without the usage text, which would not help.
class SettingsFileError : public UsageError {
 public:
  using UsageError::UsageError;
};

extern const std::string_view kUsage;

// What the service runs with: the defaults, under the settings file (--config), under the
// command line.
struct ServiceOptions {
  std::string listen = "127.0.0.1";
  int port = 8140;
  std::string database = "lintrove-service.db";  // see OpenCatalogStore
  std::int64_t threshold = 3;
  std::int64_t origin_daily_additions = 5000;  // see Catalog::kDefaultDailyAdditions
  std::int64_t prune_after_days = 30;
  LogLevel log_level = LogLevel::Info;
  std::optional<std::filesystem::path> release_dir;
  std::string public_url;  // empty: http:// and the Host of each request
  ServerSettings server;
  // Given on the command line, these win over release.json.
  std::optional<std::string> client_version;
  std::optional<std::string> download_url;
  std::optional<std::string> info_url;
  bool force_update = false;
  std::optional<std::filesystem::path> config;  // the settings file read
  bool help = false;
  bool version = false;
  bool dry_run = false;  // the administration command says what it would change, and does not
  // The administration command and its arguments; empty: serve.
  std::vector<std::string> command;
};

// Reads the settings file the arguments name, if any. Raises UsageError, or SettingsFileError
// for a fault of the file.
ServiceOptions ParseOptions(std::span<const std::string> args);

// The release of the release directory (if any) with the command line's values over it.
Release ConfiguredRelease(const ServiceOptions& options);

}  // namespace lintrove::service
