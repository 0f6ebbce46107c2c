#pragma once

#include <filesystem>
#include <memory>

#include "catalog_store.h"
#include "connection_pool.h"

namespace lintrove::service {

class SqliteConnection;

// The catalog in one SQLite file, written ahead (WAL) so that readers never wait for the
// writer. Opening creates the file and brings its schema to the current version. Safe to use
// from many threads: each call takes a connection of its own from a small pool.
class SqliteCatalogStore : public CatalogStore {
 public:
  // The schema version this build writes; a file of a later one is refused.
  static constexpr int kSchemaVersion = 3;

  explicit SqliteCatalogStore(const std::filesystem::path& file);
  ~SqliteCatalogStore() override;
  SqliteCatalogStore(const SqliteCatalogStore&) = delete;
  SqliteCatalogStore& operator=(const SqliteCatalogStore&) = delete;

  // The schema version stored in the file.
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
  using Lease = ConnectionPool<SqliteConnection>::Lease;

  ConnectionPool<SqliteConnection> pool_;
};

}  // namespace lintrove::service
