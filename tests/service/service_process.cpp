#include "service_process.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace lintrove::test {

ServiceProcess::ServiceProcess(std::vector<std::string> args) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("cannot make a pipe for the service");
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

ServiceProcess::~ServiceProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (out_) fclose(out_);
}

std::string ServiceProcess::ReadLine() {
  char line[256] = {};
  if (!fgets(line, sizeof line, out_)) return {};
  std::string text(line);
  if (text.ends_with('\n')) text.pop_back();
  return text;
}

int ServiceProcess::Terminate() {
  Signal(SIGTERM);
  return Wait();
}

void ServiceProcess::Signal(int signal) { kill(pid_, signal); }

int ServiceProcess::Wait() {
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace lintrove::test
