#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

namespace lintrove::test {

// The lintrove-service executable as an operator starts it, as a child that dies with the test.
// The first line it writes is the address it serves on.
class ServiceProcess {
 public:
  explicit ServiceProcess(std::vector<std::string> args);
  ~ServiceProcess();
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  // The next line of its standard output, without the line end; empty at its end.
  std::string ReadLine();

  // Sends SIGTERM and waits: the exit status.
  int Terminate();
  // Sends the signal and returns.
  void Signal(int signal);
  // Waits for the process to end: its exit status, -1 when a signal ended it.
  int Wait();
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

}  // namespace lintrove::test
