#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "storage/sql_connection.h"

struct sqlite3;

namespace lintrove::service {

// A connection to a SQLite file with its prepared statements. It knows the SQL function
// identity_hash(identity), the Hash of the verdicts, so that the schema can store it beside the
// identity it is made of.
class SqliteConnection : public SqlConnection {
 public:
  explicit SqliteConnection(const std::filesystem::path& file);
  ~SqliteConnection() override;
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  SqlStatement& Prepare(std::string_view sql) override;
  void Execute(const char* sql) override;
  void Begin(TransactionKind kind) override;
  // A SQLite file stays reachable for as long as it is open.
  bool Usable() const override { return true; }

  [[noreturn]] void Fail() const;

 private:
  class Statement;

  void RegisterIdentityHash();

  std::string file_;
  sqlite3* db_ = nullptr;
  std::map<std::string, std::unique_ptr<Statement>, std::less<>> statements_;
};

}  // namespace lintrove::service
