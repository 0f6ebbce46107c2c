#include "storage/postgres_connection.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace lintrove::service {
namespace {

std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The result of one statement, owned.
struct ResultDeleter {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// Raises the statement's error, a conflict worth retrying apart from a fault.
Result Checked(PGconn* connection, PGresult* raw) {
  Result result(raw);
  const ExecStatusType status = PQresultStatus(raw);
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
  const std::string message =
      "Database error: " + Trimmed(raw ? PQresultErrorMessage(raw) : PQerrorMessage(connection));
  const char* sqlstate = PQresultErrorField(raw, PG_DIAG_SQLSTATE);
  if (sqlstate && (std::strcmp(sqlstate, "40001") == 0 || std::strcmp(sqlstate, "40P01") == 0)) {
    throw SqlConflict(message);
  }
  throw Error(message);
}

// The SQL text with PostgreSQL's parameters: ?N becomes $N, a bare ? the next number.
// Quoted texts and names are left as they are.
std::string WithNumberedParameters(std::string_view sql) {
  std::string translated;
  int next = 0;
  char quote = 0;
  for (std::size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '?') {
      translated += '$';
      if (i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1]))) continue;
      translated += std::to_string(++next);
      continue;
    }
    translated += c;
  }
  return translated;
}

// What a connection runs with unless the URI says otherwise.
constexpr const char* kConnectionDefaults[][2] = {
    {"connect_timeout", "5"},
    {"keepalives", "1"},
    {"keepalives_idle", "30"},
    {"keepalives_interval", "10"},
    {"keepalives_count", "3"},
    {"tcp_user_timeout", "30000"},
    {"options", "-c statement_timeout=15000 -c idle_in_transaction_session_timeout=60000"},
};

// The defaults first and the URI last: what the URI names wins.
PGconn* Connect(const std::string& uri) {
  std::vector<const char*> keywords;
  std::vector<const char*> values;
  for (const auto& [keyword, value] : kConnectionDefaults) {
    keywords.push_back(keyword);
    values.push_back(value);
  }
  keywords.push_back("dbname");
  values.push_back(uri.c_str());
  keywords.push_back(nullptr);
  values.push_back(nullptr);
  return PQconnectdbParams(keywords.data(), values.data(), 1);
}

}  // namespace

// A statement's rows arrive all at once, in text form, when it runs.
class PostgresConnection::Statement : public SqlStatement {
 public:
  Statement(PGconn* connection, std::string name)
      : connection_(connection), name_(std::move(name)) {}

  bool Step() override {
    if (!result_) {
      std::vector<const char*> pointers;
      for (const std::optional<std::string>& value : values_) {
        pointers.push_back(value ? value->c_str() : nullptr);
      }
      result_ = Checked(
          connection_, PQexecPrepared(connection_, name_.c_str(), static_cast<int>(pointers.size()),
                                      pointers.data(), nullptr, nullptr, 0));
      const char* changed = PQcmdTuples(result_.get());
      changes_ = 0;
      std::from_chars(changed, changed + std::strlen(changed), changes_);
      row_ = -1;
    }
    if (++row_ < PQntuples(result_.get())) return true;
    result_.reset();
    return false;
  }
  void Reset() override { result_.reset(); }

  std::int64_t Integer(int column) const override {
    std::int64_t value = 0;
    const char* text = PQgetvalue(result_.get(), row_, column);
    std::from_chars(text, text + PQgetlength(result_.get(), row_, column), value);
    return value;
  }
  bool Boolean(int column) const override {
    return PQgetvalue(result_.get(), row_, column)[0] == 't';
  }
  bool IsNull(int column) const override { return PQgetisnull(result_.get(), row_, column) != 0; }
  std::string Text(int column) const override {
    return std::string(PQgetvalue(result_.get(), row_, column),
                       static_cast<std::size_t>(PQgetlength(result_.get(), row_, column)));
  }
  std::int64_t Changes() const override { return changes_; }

 protected:
  void ClearBindings() override {
    result_.reset();
    values_.clear();
  }
  void BindOne(int index, std::int64_t value) override { Set(index, std::to_string(value)); }
  void BindOne(int index, bool value) override { Set(index, value ? "t" : "f"); }
  void BindOne(int index, std::string_view value) override { Set(index, std::string(value)); }

 private:
  void Set(int index, std::string value) {
    values_.resize(std::max(values_.size(), static_cast<std::size_t>(index)));
    values_[static_cast<std::size_t>(index - 1)] = std::move(value);
  }

  PGconn* connection_;
  std::string name_;
  std::vector<std::optional<std::string>> values_;
  Result result_;
  int row_ = -1;
  std::int64_t changes_ = 0;
};

PostgresConnection::PostgresConnection(const std::string& uri) : connection_(Connect(uri)) {
  if (PQstatus(connection_) != CONNECTION_OK) {
    const std::string message = Trimmed(PQerrorMessage(connection_));
    PQfinish(connection_);
    throw Error("Cannot connect to the PostgreSQL database: " + message);
  }
  if (PQsetClientEncoding(connection_, "UTF8") != 0) {
    const std::string message = Trimmed(PQerrorMessage(connection_));
    PQfinish(connection_);
    throw Error("Cannot use UTF-8 with the PostgreSQL database: " + message);
  }
  // Notices (a table that exists already, say) are no news for an operator's log.
  PQsetNoticeProcessor(
      connection_, [](void*, const char*) {}, nullptr);
}

PostgresConnection::~PostgresConnection() {
  statements_.clear();
  PQfinish(connection_);
}

bool PostgresConnection::Usable() const { return PQstatus(connection_) == CONNECTION_OK; }

void PostgresConnection::Execute(const char* sql) {
  Checked(connection_, PQexec(connection_, sql));
}

// Reads see one snapshot of the whole catalog. A recording commits without waiting for the
// disk (the server still writes its log within a fraction of a second): with durable commits
// new clients' reports went in no faster than one disk flush each.
void PostgresConnection::Begin(TransactionKind kind) {
  switch (kind) {
    case TransactionKind::Reading:
      Execute("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
      return;
    case TransactionKind::Writing:
      Execute("BEGIN");
      return;
    case TransactionKind::Recording:
      Execute("BEGIN; SET LOCAL synchronous_commit = off");
      return;
  }
}

SqlStatement& PostgresConnection::Prepare(std::string_view sql) {
  if (const auto found = statements_.find(sql); found != statements_.end()) return *found->second;
  std::string name = "s" + std::to_string(statements_.size());
  Checked(connection_,
          PQprepare(connection_, name.c_str(), WithNumberedParameters(sql).c_str(), 0, nullptr));
  return *statements_
              .emplace(std::string(sql), std::make_unique<Statement>(connection_, std::move(name)))
              .first->second;
}

}  // namespace lintrove::service
