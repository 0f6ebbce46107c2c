#pragma once

#include <map>
#include <memory>
#include <string>

#include "storage/sql_connection.h"

typedef struct pg_conn PGconn;

namespace lintrove::service {

// A connection to a PostgreSQL database with its prepared statements. Unless the URI says
// otherwise, a server that does not answer, a statement that runs for long or a peer gone
// without a word ends in an error instead of a request waiting for good.
class PostgresConnection : public SqlConnection {
 public:
  // `uri`: a libpq connection URI, postgresql://user@host/database?… .
  explicit PostgresConnection(const std::string& uri);
  ~PostgresConnection() override;
  PostgresConnection(const PostgresConnection&) = delete;
  PostgresConnection& operator=(const PostgresConnection&) = delete;

  SqlStatement& Prepare(std::string_view sql) override;
  void Execute(const char* sql) override;
  void Begin(TransactionKind kind) override;
  bool Usable() const override;

 private:
  class Statement;

  PGconn* connection_;
  std::map<std::string, std::unique_ptr<Statement>, std::less<>> statements_;
};

}  // namespace lintrove::service
