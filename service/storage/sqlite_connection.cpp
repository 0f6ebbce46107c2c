#include "storage/sqlite_connection.h"

#include <sqlite3.h>

#include "catalog/program_identity.h"

namespace lintrove::service {

class SqliteConnection::Statement : public SqlStatement {
 public:
  Statement(SqliteConnection& connection, sqlite3_stmt* statement)
      : connection_(connection), statement_(statement) {}
  ~Statement() override { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Step() override {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    changes_ = sqlite3_changes64(connection_.db_);
    sqlite3_reset(statement_);
    if (result != SQLITE_DONE) connection_.Fail();
    return false;
  }
  void Reset() override { sqlite3_reset(statement_); }

  std::int64_t Integer(int column) const override {
    return sqlite3_column_int64(statement_, column);
  }
  bool Boolean(int column) const override { return Integer(column) != 0; }
  bool IsNull(int column) const override {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
  }
  std::string Text(int column) const override {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string(text,
                              static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string();
  }
  std::int64_t Changes() const override { return changes_; }

 protected:
  void ClearBindings() override {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  void BindOne(int index, std::int64_t value) override {
    Check(sqlite3_bind_int64(statement_, index, value));
  }
  void BindOne(int index, bool value) override { BindOne(index, std::int64_t{value ? 1 : 0}); }
  void BindOne(int index, std::string_view value) override {
    Check(sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                              SQLITE_UTF8));
  }

 private:
  void Check(int result) const {
    if (result != SQLITE_OK) connection_.Fail();
  }

  SqliteConnection& connection_;
  sqlite3_stmt* statement_;
  std::int64_t changes_ = 0;
};

SqliteConnection::SqliteConnection(const std::filesystem::path& file) : file_(file.string()) {
  const int opened = sqlite3_open_v2(
      file_.c_str(), &db_,
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
      nullptr);
  if (opened != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(opened);
    sqlite3_close(db_);
    throw Error("Cannot open the database " + file_ + ": " + message);
  }
  // A writer holds the file for milliseconds; other writers wait for it instead of failing.
  sqlite3_busy_timeout(db_, 10'000);
  RegisterIdentityHash();
  Execute("PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL;");
  // The log is copied into the file every 256 pages (1 MiB), and cut back to 1 MiB after that:
  // without a size limit it would keep the largest size it ever had (a burst of new reports
  // left some 100 MB behind), and with SQLite's 1000 pages it stayed at 4 MiB beside a catalog
  // a tenth of that.
  Execute("PRAGMA wal_autocheckpoint = 256; PRAGMA journal_size_limit = 1048576;");
}

SqliteConnection::~SqliteConnection() {
  statements_.clear();
  sqlite3_close(db_);
}

void SqliteConnection::Execute(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    throw Error("Database error in " + file_ + ": " + text);
  }
}

// A writing transaction takes the write lock at once: taking it later, after reading, may fail
// where waiting for it at the start does not. In the log's NORMAL mode no commit waits for the
// disk: a recording is a writing transaction.
void SqliteConnection::Begin(TransactionKind kind) {
  Execute(kind == TransactionKind::Reading ? "BEGIN" : "BEGIN IMMEDIATE");
}

SqlStatement& SqliteConnection::Prepare(std::string_view sql) {
  if (const auto found = statements_.find(sql); found != statements_.end()) return *found->second;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                         &statement, nullptr) != SQLITE_OK) {
    Fail();
  }
  return *statements_.emplace(std::string(sql), std::make_unique<Statement>(*this, statement))
              .first->second;
}

void SqliteConnection::Fail() const {
  throw Error("Database error in " + file_ + ": " + sqlite3_errmsg(db_));
}

void SqliteConnection::RegisterIdentityHash() {
  const auto function = [](sqlite3_context* context, int, sqlite3_value** args) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
    const std::string hash = IdentityHash(
        text ? std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(args[0])))
             : std::string_view());
    sqlite3_result_text64(context, hash.data(), hash.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  };
  if (sqlite3_create_function_v2(db_, "identity_hash", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                 nullptr, function, nullptr, nullptr, nullptr) != SQLITE_OK) {
    Fail();
  }
}

}  // namespace lintrove::service
