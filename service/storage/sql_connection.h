#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/error.h"

namespace lintrove::service {

// Another transaction got in the way (a serialization failure or a deadlock): the whole
// transaction may be run again.
class SqlConflict : public Error {
 public:
  using Error::Error;
};

// One prepared statement of a connection. Parameters are written ?1, ?2, … (or ? for the next
// one) in the SQL text and always travel apart from it.
class SqlStatement {
 public:
  virtual ~SqlStatement() = default;

  // Binds the parameters in order, from 1, leaving the statement ready for Step.
  template <typename... Values>
  SqlStatement& Bind(const Values&... values) {
    ClearBindings();
    int index = 0;
    (BindOne(++index, values), ...);
    return *this;
  }

  // Runs the statement on the first call; true while there is a row to read.
  virtual bool Step() = 0;
  void Run() {
    while (Step()) {
    }
  }
  // Ends the reading of the rows before the last one, keeping the bindings.
  virtual void Reset() = 0;

  virtual std::int64_t Integer(int column) const = 0;
  virtual bool Boolean(int column) const = 0;
  virtual bool IsNull(int column) const = 0;
  virtual std::string Text(int column) const = 0;
  // The rows the last run inserted, changed or deleted.
  virtual std::int64_t Changes() const = 0;

 protected:
  virtual void ClearBindings() = 0;
  virtual void BindOne(int index, std::int64_t value) = 0;
  virtual void BindOne(int index, bool value) = 0;
  virtual void BindOne(int index, std::string_view value) = 0;
  void BindOne(int index, const std::string& value) { BindOne(index, std::string_view(value)); }
  void BindOne(int index, const char* value) { BindOne(index, std::string_view(value)); }
};

// A transaction that reads sees one state of the whole catalog; one that writes may wait for
// other writers at its start, never halfway. One that records clients' reports writes what a
// client sends again at its next check: it need not wait at its commit until the disk has it,
// as long as a crash of the machine, not of the service, is all that can take it back.
enum class TransactionKind { Reading, Writing, Recording };

// A connection to a database, used by one thread at a time.
class SqlConnection {
 public:
  virtual ~SqlConnection() = default;

  // The statement of this SQL text, prepared once per connection.
  virtual SqlStatement& Prepare(std::string_view sql) = 0;
  // Statements without parameters, several at a time.
  virtual void Execute(const char* sql) = 0;
  virtual void Begin(TransactionKind kind) = 0;
  // False once the server is gone: the connection is not kept for the next call.
  virtual bool Usable() const = 0;
};

}  // namespace lintrove::service
