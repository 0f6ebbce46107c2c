#pragma once

#include <string>

#include "catalog_store.h"
#include "connection_pool.h"

namespace lintrove::service {

class PostgresConnection;

// The catalog in a PostgreSQL database, which several service processes may share: every
// count is kept in the database and raised only by the transaction that really inserted the
// report it stands for. Opening brings the schema to the current version, one process at a
// time. Safe to use from many threads: each call takes a connection of its own from a pool.
class PostgresCatalogStore : public CatalogStore {
 public:
  // The schema version this build writes; a database of a later one is refused.
  static constexpr int kSchemaVersion = 3;

  // `uri`: a libpq connection URI, postgresql://user@host/database?… .
  explicit PostgresCatalogStore(const std::string& uri);
  ~PostgresCatalogStore() override;
  PostgresCatalogStore(const PostgresCatalogStore&) = delete;
  PostgresCatalogStore& operator=(const PostgresCatalogStore&) = delete;

  // The schema version stored in the database.
  int SchemaVersion();

  void RecordReport(const Reporter& reporter, std::span<const ReportedProgram> programs,
                    std::int64_t daily_additions) override;
  std::vector<std::optional<ProgramFacts>> Lookup(std::span<const ProgramQuery> queries,
                                                  std::int64_t min_clients) override;
  void Curate(std::span<const CatalogEntry> entries) override;
  bool Retract(std::string_view identity, std::string_view version) override;
  void BanClient(const std::string& client_guid) override;
  std::int64_t BanOrigin(const std::string& origin) override;
  PruneCounts Prune(std::int64_t age_days, std::int64_t min_clients) override;
  std::string OriginSecret() override;
  std::vector<CatalogEntry> Export() override;
  std::optional<ProgramDetails> FindProgram(std::string_view hash) override;
  bool RecordFeedback(const Feedback& feedback) override;
  std::vector<FeedbackSummary> ListFeedback() override;
  CatalogCounts Counts(std::int64_t min_clients) override;
  void Ping() override;
  bool Writable() override;

 private:
  using Lease = ConnectionPool<PostgresConnection>::Lease;

  // Runs `work` on a pooled connection, again on a new one when the pooled one was dead.
  template <typename Work>
  auto WithConnection(Work work);

  ConnectionPool<PostgresConnection> pool_;
};

}  // namespace lintrove::service
