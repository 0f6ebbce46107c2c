#include "admin/service_options.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <map>
#include <utility>

#include "base/text.h"
#include "http/peer_address.h"

namespace lintrove::service {

const std::string_view kUsage =
    "Usage: lintrove-service [options]                 serve the update service\n"
    "       lintrove-service [options] catalog export FILE|-\n"
    "       lintrove-service [options] catalog import [--dry-run] FILE\n"
    "       lintrove-service [options] catalog confirm [--dry-run] IDENTITY [VERSION...]\n"
    "       lintrove-service [options] catalog retract IDENTITY VERSION\n"
    "       lintrove-service [options] catalog learn REQUEST...\n"
    "       lintrove-service [options] catalog prune\n"
    "       lintrove-service [options] ban client GUID\n"
    "       lintrove-service [options] ban origin ADDRESS|PREFIX\n"
    "       lintrove-service [options] reports list\n"
    "       lintrove-service [options] stats\n"
    "\n"
    "Options:\n"
    "  --config FILE          read settings from FILE: 'name = value' lines, the names of the\n"
    "                         options below without dashes, '#' starts a comment line;\n"
    "                         options given here win over it. No file is read unless named.\n"
    "  --listen ADDRESS       the address to listen on (default 127.0.0.1)\n"
    "  --port N               the port (default 8140; 0 takes a free one)\n"
    "  --database WHERE       the catalog: a SQLite file (default lintrove-service.db), or a\n"
    "                         PostgreSQL connection URI\n"
    "                         (postgresql://user@/db?host=/run/postgresql&port=5432)\n"
    "  --threshold N          how many networks make a program known and a version offered\n"
    "                         (default 3)\n"
    "  --origin-daily-additions N\n"
    "                         how many programs and versions one network may add to the\n"
    "                         catalog per day (default 5000)\n"
    "  --prune-after-days N   programs and versions that did not become known within N days\n"
    "                         are removed (default 30)\n"
    "  --release-dir DIR      the release directory; its release.json names the newest client\n"
    "  --client-version V     the newest client's version (default 0.0.0.0: none)\n"
    "  --download-url URL     where its setup is\n"
    "  --info-url URL         a page about it\n"
    "  --force-update         clients must update (in a settings file: force-update = true)\n"
    "  --public-url URL       where clients reach the service (https://updates.example.org),\n"
    "                         for the release's addresses; default: http:// and the Host asked\n"
    "  --log-level LEVEL      quiet, error, warning, info (default) or debug\n"
    "\n"
    "Connections and abuse (see docs/service.md):\n"
    "  --workers N            requests answered at once (default 8)\n"
    "  --request-timeout S    seconds for a whole request, head and body, to arrive (default 10)\n"
    "  --keep-alive-timeout S seconds an idle connection is kept (default 5)\n"
    "  --keep-alive-requests N  requests on one connection (default 100)\n"
    "  --max-connections N    connections open at once (default 512)\n"
    "  --connections-per-address N  of them from one address (default 64)\n"
    "  --max-body BYTES       the largest request body, decoded (default 4194304)\n"
    "  --trusted-proxy ADDR   a proxy of yours whose X-Forwarded-For names the client's\n"
    "                         address (may be given more than once)\n"
    "  --rate-limit N         requests one address may send per window (default 300; 0: any)\n"
    "  --rate-window S        the window in seconds (default 60)\n"
    "  --health-timeout MS    how long /health waits for the database (default 2000)\n"
    "  --stop-timeout S       on SIGTERM, how long requests under way may take (default 10)\n"
    "  --help                 show this text\n"
    "  --version              show the version\n";

namespace {

template <typename Number>
Number ParseNumber(std::string_view name, std::string_view text, Number min, Number max) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min ||
      value > max) {
    throw UsageError(std::string(name) + " wants a number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not '" + std::string(text) + "'");
  }
  return value;
}

bool ParseSwitch(std::string_view name, std::string_view text) {
  if (text == "true" || text == "yes" || text == "on" || text == "1") return true;
  if (text == "false" || text == "no" || text == "off" || text == "0") return false;
  throw UsageError(std::string(name) + " wants true or false, not '" + std::string(text) + "'");
}

// One setting, the same on the command line ("--name VALUE") and in a settings file
// ("name = VALUE"), so that the two never drift apart. `shown` is the name as the user wrote it,
// for the error message.
struct Setting {
  std::string_view name;
  bool is_switch;  // takes no value on the command line; true or false in a file
  void (*apply)(ServiceOptions& options, std::string_view shown, const std::string& value);
  bool repeatable = false;  // each value adds to the setting
};

constexpr Setting kSettings[] = {
    {"listen", false,
     [](ServiceOptions& o, std::string_view, const std::string& v) { o.listen = v; }},
    {"port", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.port = ParseNumber(shown, v, 0, 65535);
     }},
    {"database", false,
     [](ServiceOptions& o, std::string_view, const std::string& v) { o.database = v; }},
    {"threshold", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.threshold = ParseNumber<std::int64_t>(shown, v, 1, 1'000'000);
     }},
    {"origin-daily-additions", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.origin_daily_additions = ParseNumber<std::int64_t>(shown, v, 1, 1'000'000'000);
     }},
    {"prune-after-days", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.prune_after_days = ParseNumber<std::int64_t>(shown, v, 1, 36'500);
     }},
    {"release-dir", false,
     [](ServiceOptions& o, std::string_view, const std::string& v) { o.release_dir = v; }},
    {"client-version", false,
     [](ServiceOptions& o, std::string_view, const std::string& v) { o.client_version = v; }},
    {"download-url", false,
     [](ServiceOptions& o, std::string_view, const std::string& v) { o.download_url = v; }},
    {"info-url", false,
     [](ServiceOptions& o, std::string_view, const std::string& v) { o.info_url = v; }},
    {"public-url", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       if (!v.starts_with("http://") && !v.starts_with("https://")) {
         throw UsageError(std::string(shown) + " wants an http:// or https:// address, not '" + v +
                          "'");
       }
       o.public_url = v.ends_with('/') ? v.substr(0, v.size() - 1) : v;
     }},
    {"log-level", false,
     [](ServiceOptions& o, std::string_view, const std::string& v) {
       const std::optional<LogLevel> level = ParseLogLevel(v);
       if (!level) throw UsageError("unknown log level '" + v + "'");
       o.log_level = *level;
     }},
    {"force-update", true,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.force_update = ParseSwitch(shown, v);
     }},
    {"workers", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.connections.workers = ParseNumber(shown, v, 1, 256);
     }},
    {"request-timeout", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.connections.request_timeout = std::chrono::seconds(ParseNumber(shown, v, 1, 600));
     }},
    {"keep-alive-timeout", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.connections.keep_alive_timeout =
           std::chrono::seconds(ParseNumber(shown, v, 0, 600));
     }},
    {"keep-alive-requests", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.connections.keep_alive_requests = ParseNumber(shown, v, 1, 1'000'000);
     }},
    {"max-connections", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.connections.max_connections = ParseNumber(shown, v, 1, 100'000);
     }},
    {"connections-per-address", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.connections.connections_per_peer = ParseNumber(shown, v, 1, 100'000);
     }},
    {"max-body", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.connections.max_body =
           ParseNumber<std::size_t>(shown, v, 1024, std::size_t{1} << 30);
     }},
    {"trusted-proxy", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       const std::optional<std::string> address = CanonicalAddress(v);
       if (!address) {
         throw UsageError(std::string(shown) + " wants an IP address, not '" + v + "'");
       }
       o.server.trusted_proxies.insert(*address);
     },
     true},
    {"rate-limit", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.rate_limit = ParseNumber(shown, v, 0, 1'000'000);
     }},
    {"rate-window", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.rate_window = std::chrono::seconds(ParseNumber(shown, v, 1, 86'400));
     }},
    {"health-timeout", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.health_timeout = std::chrono::milliseconds(ParseNumber(shown, v, 10, 60'000));
     }},
    {"stop-timeout", false,
     [](ServiceOptions& o, std::string_view shown, const std::string& v) {
       o.server.stop_timeout = std::chrono::seconds(ParseNumber(shown, v, 0, 10));
     }},
};

const Setting* FindSetting(std::string_view name) {
  for (const Setting& setting : kSettings) {
    if (setting.name == name) return &setting;
  }
  return nullptr;
}

// The settings of the file, applied in file order. Each setting may stand once: a second line
// for it is more likely a mistake than an intended override.
void ApplySettingsFile(const std::filesystem::path& file, ServiceOptions& options) {
  const std::string shown_file = file.string();
  std::error_code error;
  if (std::filesystem::is_directory(file, error)) {
    throw SettingsFileError(shown_file + ": is a directory, not a settings file");
  }
  std::ifstream in(file);
  if (!in) {
    throw SettingsFileError("cannot read the settings file " + shown_file + ": " +
                            std::strerror(errno));
  }
  std::map<std::string_view, int> seen;  // setting name, line
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    const std::string where = shown_file + ":" + std::to_string(line) + ": ";
    if (line == 1 && text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    const std::string content(Trim(text));
    if (content.empty() || content.starts_with('#')) continue;
    const std::size_t equals = content.find('=');
    if (equals == std::string::npos) {
      throw SettingsFileError(where + "expected 'name = value', not '" + content + "'");
    }
    const std::string name(Trim(std::string_view(content).substr(0, equals)));
    const std::string value(Trim(std::string_view(content).substr(equals + 1)));
    const Setting* setting = FindSetting(name);
    if (!setting) throw SettingsFileError(where + "unknown setting '" + name + "'");
    if (value.empty()) throw SettingsFileError(where + name + " wants a value");
    if (const auto [first, added] = seen.emplace(setting->name, line);
        !added && !setting->repeatable) {
      throw SettingsFileError(where + name + " is already set on line " +
                              std::to_string(first->second));
    }
    try {
      setting->apply(options, name, value);
    } catch (const UsageError& bad) {
      throw SettingsFileError(where + bad.what());
    }
  }
  if (in.bad()) {
    throw SettingsFileError("cannot read the settings file " + shown_file + ": " +
                            std::strerror(errno));
  }
}

}  // namespace

ServiceOptions ParseOptions(std::span<const std::string> args) {
  ServiceOptions options;
  // The command line is read first and applied after the settings file, which it names.
  std::vector<std::pair<const Setting*, std::string>> given;
  std::optional<std::string> config;
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
    const auto take_value = [&] {
      if (!value) {
        if (i + 1 == args.size()) throw UsageError(arg + " wants a value");
        value = args[++i];
      }
      return *value;
    };
    if (const Setting* setting = FindSetting(std::string_view(arg).substr(2))) {
      if (setting->is_switch && value) throw UsageError(arg + " takes no value");
      given.emplace_back(setting, setting->is_switch ? "true" : take_value());
    } else if (arg == "--config") {
      config = take_value();
    } else if (arg == "--help" && !value) {
      options.help = true;
    } else if (arg == "--version" && !value) {
      options.version = true;
    } else if (arg == "--dry-run" && !value) {
      options.dry_run = true;
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
  }
  if (config) {
    options.config = *config;
    ApplySettingsFile(*config, options);
  }
  for (const auto& [setting, value] : given) {
    setting->apply(options, "--" + std::string(setting->name), value);
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
