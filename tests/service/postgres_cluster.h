#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lintrove::test {

// A throwaway PostgreSQL server of Debian's package: a cluster made in a temporary directory,
// listening only on a Unix socket there, started on construction and stopped and removed on
// destruction. PostgreSQL refuses to run as root, so under root it runs as the postgres user.
class PostgresCluster {
 public:
  PostgresCluster();
  ~PostgresCluster();
  PostgresCluster(const PostgresCluster&) = delete;
  PostgresCluster& operator=(const PostgresCluster&) = delete;

  // A new empty database of this cluster: its connection URI.
  std::string NewDatabase();
  // The connection URI of the database `name`.
  std::string Uri(const std::string& name) const;

  // Stops the server as an operator would (fast shutdown), and starts it again.
  void Stop();
  void Start();

 private:
  void Run(const std::vector<std::string>& args);

  TempDir dir_;
  std::filesystem::path bin_;
  int databases_ = 0;
};

// One cluster for the whole test executable, started when first asked for.
PostgresCluster& SharedPostgresCluster();

}  // namespace lintrove::test
