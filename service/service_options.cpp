#include "service_options.h"

#include <charconv>
#include <functional>
#include <map>

namespace lintrove::service {

const std::string_view kUsage =
    "Usage: lintrove-service [options]                 serve the update service\n"
    "       lintrove-service [options] catalog export FILE|-\n"
    "       lintrove-service [options] catalog import FILE\n"
    "       lintrove-service [options] catalog confirm IDENTITY [VERSION...]\n"
    "       lintrove-service [options] catalog learn REQUEST...\n"
    "       lintrove-service [options] reports list\n"
    "       lintrove-service [options] stats\n"
    "\n"
    "Options:\n"
    "  --listen ADDRESS       the address to listen on (default 127.0.0.1)\n"
    "  --port N               the port (default 8140; 0 takes a free one)\n"
    "  --database FILE        the SQLite catalog (default lintrove-service.db)\n"
    "  --threshold N          how many clients make a program known and a version offered\n"
    "                         (default 3)\n"
    "  --release-dir DIR      the release directory; its release.json names the newest client\n"
    "  --client-version V     the newest client's version (default 0.0.0.0: none)\n"
    "  --download-url URL     where its setup is\n"
    "  --info-url URL         a page about it\n"
    "  --force-update         clients must update\n"
    "  --public-url URL       where clients reach the service (https://updates.example.org),\n"
    "                         for the release's addresses; default: http:// and the Host asked\n"
    "  --log-level LEVEL      quiet, error, warning, info (default) or debug\n"
    "  --help                 show this text\n"
    "  --version              show the version\n";

namespace {

template <typename Number>
Number ParseNumber(std::string_view option, std::string_view text, Number min, Number max) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min ||
      value > max) {
    throw UsageError(std::string(option) + " wants a number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not '" + std::string(text) + "'");
  }
  return value;
}

}  // namespace

ServiceOptions ParseOptions(std::span<const std::string> args) {
  ServiceOptions options;
  using Setter = std::function<void(const std::string&)>;
  const std::map<std::string_view, Setter> with_value = {
      {"--listen", [&](const std::string& v) { options.listen = v; }},
      {"--port", [&](const std::string& v) { options.port = ParseNumber("--port", v, 0, 65535); }},
      {"--database", [&](const std::string& v) { options.database = v; }},
      {"--threshold",
       [&](const std::string& v) {
         options.threshold = ParseNumber<std::int64_t>("--threshold", v, 1, 1'000'000);
       }},
      {"--release-dir", [&](const std::string& v) { options.release_dir = v; }},
      {"--client-version", [&](const std::string& v) { options.client_version = v; }},
      {"--download-url", [&](const std::string& v) { options.download_url = v; }},
      {"--info-url", [&](const std::string& v) { options.info_url = v; }},
      {"--public-url",
       [&](const std::string& v) {
         if (!v.starts_with("http://") && !v.starts_with("https://")) {
           throw UsageError("--public-url wants an http:// or https:// address, not '" + v + "'");
         }
         options.public_url = v.ends_with('/') ? v.substr(0, v.size() - 1) : v;
       }},
      {"--log-level",
       [&](const std::string& v) {
         const std::optional<LogLevel> level = ParseLogLevel(v);
         if (!level) throw UsageError("unknown log level '" + v + "'");
         options.log_level = *level;
       }},
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (!arg.starts_with("--")) {
      options.command.push_back(arg);
      continue;
    }
    std::optional<std::string> value;
    if (const std::size_t equals = arg.find('='); equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg.resize(equals);
    }
    if (const auto setter = with_value.find(arg); setter != with_value.end()) {
      if (!value) {
        if (i + 1 == args.size()) throw UsageError(arg + " wants a value");
        value = args[++i];
      }
      setter->second(*value);
    } else if (arg == "--force-update" && !value) {
      options.force_update = true;
    } else if (arg == "--help" && !value) {
      options.help = true;
    } else if (arg == "--version" && !value) {
      options.version = true;
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
  }
  return options;
}

Release ConfiguredRelease(const ServiceOptions& options) {
  Release release = options.release_dir ? LoadRelease(*options.release_dir) : Release{};
  if (options.client_version) {
    // With a release directory the version is part of the pages' addresses.
    if (options.release_dir && !IsPlainReleaseName(*options.client_version)) {
      throw UsageError("--client-version '" + *options.client_version +
                       "' cannot be part of an address");
    }
    release.version = *options.client_version;
  }
  if (options.download_url) release.download_url = *options.download_url;
  if (options.info_url) release.info_url = *options.info_url;
  if (options.force_update) release.force_update = true;
  return release;
}

}  // namespace lintrove::service
