// The service's settings: a settings file of 'name = value' lines, and the command line over it.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>

#include "admin/service_options.h"
#include "support/temp_dir.h"

namespace lintrove::test {
namespace {

using service::ParseOptions;
using service::ServiceOptions;
using service::SettingsFileError;
using service::UsageError;

class SettingsFileTest : public testing::Test {
 protected:
  std::string Write(const std::string& text) {
    std::ofstream(file_) << text;
    return file_.string();
  }
  ServiceOptions Parse(std::vector<std::string> args) { return ParseOptions(args); }

  TempDir dir_;
  std::filesystem::path file_ = dir_ / "service.conf";
};

TEST_F(SettingsFileTest, ReadsEverySettingWithCommentsAndBlankLines) {
  const std::string file = Write(
      "\xEF\xBB\xBF# the settings of the first instance\n"
      "\n"
      "listen = 0.0.0.0\n"
      "  port=8141  \r\n"
      "database = postgresql://lintrove@/lintrove?host=/run/postgresql&port=5432\n"
      "\t# indented comment\n"
      "threshold = 5\n"
      "log-level = warning\n"
      "release-dir = /srv/lintrove/release\n"
      "client-version = 2.0.0.0\n"
      "download-url = https://example.org/setup.exe\n"
      "info-url = https://example.org/news\n"
      "public-url = https://updates.example.org/\n"
      "force-update = yes\n");
  const ServiceOptions options = Parse({"--config", file});
  EXPECT_EQ(options.listen, "0.0.0.0");
  EXPECT_EQ(options.port, 8141);
  EXPECT_EQ(options.database, "postgresql://lintrove@/lintrove?host=/run/postgresql&port=5432");
  EXPECT_EQ(options.threshold, 5);
  EXPECT_EQ(options.log_level, service::LogLevel::Warning);
  EXPECT_EQ(options.release_dir, std::filesystem::path("/srv/lintrove/release"));
  EXPECT_EQ(options.client_version, "2.0.0.0");
  EXPECT_EQ(options.download_url, "https://example.org/setup.exe");
  EXPECT_EQ(options.info_url, "https://example.org/news");
  EXPECT_EQ(options.public_url, "https://updates.example.org");
  EXPECT_TRUE(options.force_update);
  EXPECT_EQ(options.config, file_);
}

TEST_F(SettingsFileTest, TheCommandLineWinsOverTheFileWhereverItStands) {
  const std::string file = Write("port = 8141\nthreshold = 5\nlisten = 0.0.0.0\n");
  const struct {
    std::vector<std::string> args;
    int port;
    std::int64_t threshold;
  } cases[] = {
      {{"--config", file}, 8141, 5},
      {{"--port", "9000", "--config", file}, 9000, 5},
      {{"--config=" + file, "--port=9001", "--threshold", "2"}, 9001, 2},
      {{"stats", "--config", file, "--threshold", "7"}, 8141, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const ServiceOptions options = Parse(c.args);
    EXPECT_EQ(options.port, c.port);
    EXPECT_EQ(options.threshold, c.threshold);
    EXPECT_EQ(options.listen, "0.0.0.0");
  }
  EXPECT_EQ(Parse({"--config", file, "stats"}).command, std::vector<std::string>{"stats"});
}

TEST_F(SettingsFileTest, AWrongFileIsRefusedNamingTheFileAndLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"port = 8141\n\n# fine so far\nprot = 8142\n", ":4: unknown setting 'prot'"},
      {"port = 80000\n", ":1: port wants a number from 0 to 65535, not '80000'"},
      {"threshold = three\n", ":1: threshold wants a number from 1 to 1000000, not 'three'"},
      {"log-level = loud\n", ":1: unknown log level 'loud'"},
      {"public-url = updates.example.org\n", ":1: public-url wants an http:// or https://"},
      {"force-update = maybe\n", ":1: force-update wants true or false, not 'maybe'"},
      {"listen 0.0.0.0\n", ":1: expected 'name = value', not 'listen 0.0.0.0'"},
      {"listen =\n", ":1: listen wants a value"},
      {"port = 1\nport = 2\n", ":2: port is already set on line 1"},
      {"workers = 0\n", ":1: workers wants a number from 1 to 256, not '0'"},
      {"stop-timeout = 30\n", ":1: stop-timeout wants a number from 0 to 10, not '30'"},
      {"trusted-proxy = proxy.example.org\n",
       ":1: trusted-proxy wants an IP address, not 'proxy.example.org'"},
      // Settings of the command line only.
      {"config = other.conf\n", ":1: unknown setting 'config'"},
      {"help = true\n", ":1: unknown setting 'help'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string file = Write(c.text);
    try {
      Parse({"--config", file});
      ADD_FAILURE() << "accepted";
    } catch (const SettingsFileError& error) {
      EXPECT_EQ(std::string(error.what()).find(file + c.message), 0u) << error.what();
    }
  }
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadIsRefusedByName) {
  for (const std::filesystem::path& file : {dir_ / "missing.conf", dir_.Path()}) {
    SCOPED_TRACE(file);
    try {
      Parse({"--config", file.string()});
      ADD_FAILURE() << "accepted";
    } catch (const SettingsFileError& error) {
      EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos) << error.what();
    }
  }
  EXPECT_THROW(Parse({"--config"}), UsageError);
}

TEST_F(SettingsFileTest, TheCommandLineTakesTheSameNamesWithDashes) {
  const ServiceOptions options =
      Parse({"--listen", "::1", "--port=0", "--log-level", "debug", "--force-update"});
  EXPECT_EQ(options.listen, "::1");
  EXPECT_EQ(options.port, 0);
  EXPECT_EQ(options.log_level, service::LogLevel::Debug);
  EXPECT_TRUE(options.force_update);
  EXPECT_FALSE(options.config);
  EXPECT_THROW(Parse({"--force-update=no"}), UsageError);
  EXPECT_THROW(Parse({"--prot", "1"}), UsageError);
}

TEST_F(SettingsFileTest, ConnectionsAndLimitsAreSettingsOfBothKinds) {
  const std::string file = Write(
      "workers = 4\nrequest-timeout = 20\nkeep-alive-timeout = 2\nkeep-alive-requests = 50\n"
      "max-connections = 300\nconnections-per-address = 16\nmax-body = 1048576\n"
      "trusted-proxy = 127.0.0.1\ntrusted-proxy = ::ffff:10.0.0.1\nrate-limit = 0\n"
      "rate-window = 10\nhealth-timeout = 750\nstop-timeout = 3\n");
  const service::ServerSettings server =
      Parse({"--config", file, "--trusted-proxy", "2001:db8::1", "--workers=6"}).server;
  EXPECT_EQ(server.connections.workers, 6);
  EXPECT_EQ(server.connections.request_timeout, std::chrono::seconds(20));
  EXPECT_EQ(server.connections.keep_alive_timeout, std::chrono::seconds(2));
  EXPECT_EQ(server.connections.keep_alive_requests, 50);
  EXPECT_EQ(server.connections.max_connections, 300);
  EXPECT_EQ(server.connections.connections_per_peer, 16);
  EXPECT_EQ(server.connections.max_body, 1048576u);
  EXPECT_EQ(server.trusted_proxies,
            (std::set<std::string>{"127.0.0.1", "10.0.0.1", "2001:db8::1"}));
  EXPECT_EQ(server.rate_limit, 0);
  EXPECT_EQ(server.rate_window, std::chrono::seconds(10));
  EXPECT_EQ(server.health_timeout, std::chrono::milliseconds(750));
  EXPECT_EQ(server.stop_timeout, std::chrono::seconds(3));
}

}  // namespace
}  // namespace lintrove::test
