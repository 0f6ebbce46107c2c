// The service's HTTP side: encodings, and the executable as an operator starts it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <cstdio>
#include <regex>

#include "protocol/transport.h"
#include "running_service.h"

namespace lintrove::test {
namespace {

using testing::HasSubstr;

const std::string kNoop = ServiceTransport::CommandXml("noop");

TEST(ServiceHttpTest, AnswersAreGzipEncodedOnlyForClientsThatAcceptIt) {
  RunningService service;
  const struct {
    const char* accept;
    const char* encoding;
  } cases[] = {{"gzip, deflate", "gzip"}, {"", ""}, {"identity", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.accept);
    httplib::Client client("127.0.0.1", service.Port());
    client.set_decompress(false);
    httplib::Headers headers;
    if (*c.accept) headers.emplace("Accept-Encoding", c.accept);
    const auto result = client.Post(std::string(service::ServiceServer::kEndpoint), headers, kNoop,
                                    "text/xml; charset=UTF-8");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Content-Encoding"), c.encoding);
    EXPECT_EQ(result->get_header_value("Content-Type"), "text/xml; charset=UTF-8");
  }
}

// The executable as a child that dies with the test.
class ServiceProcess {
 public:
  explicit ServiceProcess(std::vector<std::string> args) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      args.insert(args.begin(), LINTROVE_SERVICE_EXECUTABLE);
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    out_ = fdopen(out[0], "r");
  }
  ~ServiceProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_) fclose(out_);
  }
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  std::string ReadLine() {
    char line[256] = {};
    if (!fgets(line, sizeof line, out_)) return {};
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }

  // Sends SIGTERM and waits: the exit status.
  int Terminate() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

TEST(ServiceHttpTest, TheExecutableNamesItsAddressFirstServesAndStopsOnSigterm) {
  TempDir dir;
  ServiceProcess process({"--port", "0", "--database", (dir / "catalog.db").string(),
                          "--client-version", "2.0.0.0", "--log-level", "quiet"});

  const std::string address = process.ReadLine();
  ASSERT_TRUE(std::regex_match(address, std::regex(R"(127\.0\.0\.1:\d+)"))) << address;
  ServiceTransport transport;
  transport.url = ServiceAddress(false, address + std::string(service::ServiceServer::kEndpoint));
  EXPECT_EQ(AskForNewerClient(transport, {}).currentversion, "2.0.0.0");
  EXPECT_EQ(process.Terminate(), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "catalog.db"));
}

}  // namespace
}  // namespace lintrove::test
