#include "postgres_cluster.h"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace lintrove::test {
namespace {

constexpr const char* kSuperuser = "lintrove";
constexpr const char* kPort = "5432";  // names the socket file only: nothing listens on TCP

// The newest of Debian's installed PostgreSQL versions.
std::filesystem::path ServerDirectory() {
  std::vector<std::filesystem::path> found;
  std::error_code error;
  for (const auto& version : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
    if (std::filesystem::exists(version.path() / "bin/initdb")) found.push_back(version.path());
  }
  if (found.empty()) {
    throw std::runtime_error("no PostgreSQL server under /usr/lib/postgresql: run scripts/setup");
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return std::stoi(a.filename().string()) < std::stoi(b.filename().string());
  });
  return found.back() / "bin";
}

// The user the server runs as: the postgres user under root, the current one otherwise.
const passwd* ServerUser() {
  if (geteuid() != 0) return nullptr;
  const passwd* user = getpwnam("postgres");
  if (!user) throw std::runtime_error("no postgres user: run scripts/setup");
  return user;
}

}  // namespace

PostgresCluster::PostgresCluster() : bin_(ServerDirectory()) {
  if (const passwd* user = ServerUser()) {
    if (chown(dir_.Path().c_str(), user->pw_uid, user->pw_gid) != 0) {
      throw std::runtime_error("cannot give " + dir_.Path().string() + " to postgres");
    }
  }
  Run({(bin_ / "initdb").string(), "--pgdata", (dir_ / "data").string(), "--username", kSuperuser,
       "--auth", "trust", "--encoding", "UTF8", "--locale", "C", "--no-sync"});
  Start();
}

PostgresCluster::~PostgresCluster() {
  try {
    Run({(bin_ / "pg_ctl").string(), "stop", "--pgdata", (dir_ / "data").string(), "--mode",
         "immediate", "--silent"});
  } catch (const std::exception&) {
    // Stopped already; the directory goes anyway.
  }
}

void PostgresCluster::Start() {
  // fsync off: a throwaway cluster need not survive a power cut, and tests run faster.
  Run({(bin_ / "pg_ctl").string(), "start", "--pgdata", (dir_ / "data").string(), "--wait",
       "--silent", "--log", (dir_ / "server.log").string(), "--options",
       "-c listen_addresses='' -c fsync=off -c full_page_writes=off -p " + std::string(kPort) +
           " -k " + dir_.Path().string()});
}

void PostgresCluster::Stop() {
  Run({(bin_ / "pg_ctl").string(), "stop", "--pgdata", (dir_ / "data").string(), "--wait",
       "--silent", "--mode", "fast"});
}

std::string PostgresCluster::Uri(const std::string& name) const {
  return "postgresql://" + std::string(kSuperuser) + "@/" + name + "?host=" + dir_.Path().string() +
         "&port=" + kPort;
}

std::string PostgresCluster::NewDatabase() {
  const std::string name = "catalog" + std::to_string(++databases_);
  PGconn* connection = PQconnectdb(Uri("postgres").c_str());
  PGresult* result = PQexec(connection, ("CREATE DATABASE " + name).c_str());
  const bool created = PQresultStatus(result) == PGRES_COMMAND_OK;
  const std::string message = PQerrorMessage(connection);
  PQclear(result);
  PQfinish(connection);
  if (!created) throw std::runtime_error("cannot create a test database: " + message);
  return Uri(name);
}

// Runs a server program as the server's user, its output into the directory's run.log.
void PostgresCluster::Run(const std::vector<std::string>& args) {
  const std::filesystem::path log = dir_ / "run.log";
  const passwd* user = ServerUser();
  const pid_t pid = fork();
  if (pid == 0) {
    if (user &&
        (setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)) {
      _exit(126);
    }
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    if (chdir(dir_.Path().c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string output;
    try {
      output = ReadFileBytes(log);
    } catch (const std::exception&) {
    }
    throw std::runtime_error(args[0] + " " + args[1] + " failed: " + output);
  }
}

PostgresCluster& SharedPostgresCluster() {
  static PostgresCluster cluster;
  return cluster;
}

}  // namespace lintrove::test
