#pragma once

#include <string>

#include "storage/sql_catalog_store.h"

namespace lintrove::service {

// The catalog in a PostgreSQL database, which several service processes may share: every
// count is kept in the database and raised only by the transaction that really inserted the
// report it stands for. Opening brings the schema to the current version, one process at a
// time. The work of a request goes in as few statements as it can: each is a trip to the
// server.
class PostgresCatalogStore : public SqlCatalogStore {
 public:
  // `uri`: a libpq connection URI, postgresql://user@host/database?… .
  explicit PostgresCatalogStore(const std::string& uri);

  std::vector<std::optional<ProgramFacts>> Lookup(std::span<const ProgramQuery> queries,
                                                  std::int64_t min_clients) override;
  std::vector<std::optional<ProgramFacts>> RecordAndLookup(
      const Reporter& reporter, std::span<const ReportedProgram> programs,
      std::int64_t daily_additions, std::span<const ProgramQuery> queries,
      std::int64_t min_clients) override;

 protected:
  std::vector<const ReportedProgram*> Unrecorded(
      SqlConnection& db, std::int64_t origin_id,
      std::span<const ReportedProgram> programs) override;
  std::vector<const ReportedProgram*> RecordReportsOfHeldRows(
      SqlConnection& db, std::int64_t origin_id,
      std::vector<const ReportedProgram*> programs) override;
  void LockSchema(SqlConnection& db) override;

 private:
  // Reads the rows of the facts of programs and of their versions, in any order.
  class FactReader {
   public:
    explicit FactReader(std::span<const ProgramQuery> queries);
    void Read(const SqlStatement& row);
    // The facts of each program asked for, in the order asked.
    std::vector<std::optional<ProgramFacts>> Facts();

   private:
    struct Version {
      std::size_t index;
      CatalogVersion version;
      bool offered;
    };
    std::span<const ProgramQuery> queries_;
    std::vector<std::optional<ProgramFacts>> facts_;
    std::vector<Version> versions_;
  };
};

}  // namespace lintrove::service
