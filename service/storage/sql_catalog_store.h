#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog_store.h"
#include "storage/connection_pool.h"
#include "storage/sql_connection.h"

namespace lintrove::service {

// The catalog on a SQL database, whatever the engine: the engine's store supplies its
// connections, its schema and the statements it runs in a way of its own. Safe to use from
// many threads: each call takes a connection of its own from a pool.
class SqlCatalogStore : public CatalogStore {
 public:
  // The schema version this build writes; a database of a later one is refused.
  static constexpr int kSchemaVersion = 3;

  // What sets one engine apart.
  struct Engine {
    std::function<std::unique_ptr<SqlConnection>()> open;
    // The condition that a text column holds the parameter, as the engine finds it fast.
    std::string (*key_equals)(std::string_view column, std::string_view parameter);
    // Whether a report's first look (is it news?) is made of single statements that need no
    // common snapshot: the look is taken again in the writing transaction anyway.
    bool report_check_without_transaction = false;
  };

  // Each migration brings the schema from the version before it to its own (its position + 1).
  struct Migration {
    const char* sql;
    void (*after)(SqlConnection&) = nullptr;
  };

  // The reporter's client (?1, its GUID) and origin (?2, its key) with whether either is
  // banned, in one row: client_id, origin_id (0 for one the catalog has not met), banned.
  static constexpr const char* kFindReporter =
      "SELECT coalesce((SELECT id FROM clients WHERE guid = ?1), 0) AS client_id, "
      "coalesce((SELECT id FROM origins WHERE key = ?2), 0) AS origin_id, "
      "coalesce((SELECT banned FROM clients WHERE guid = ?1), false) "
      "OR coalesce((SELECT banned FROM origins WHERE key = ?2), false) AS banned";

  ~SqlCatalogStore() override;
  SqlCatalogStore(const SqlCatalogStore&) = delete;
  SqlCatalogStore& operator=(const SqlCatalogStore&) = delete;

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

 protected:
  explicit SqlCatalogStore(Engine engine);

  // Brings the schema to the current version; the engine's constructor calls it.
  void Migrate(std::span<const Migration> migrations);

  // Runs `work` with a connection in a transaction of this kind (none: each statement on its
  // own), again from the start when another transaction got in its way, and on a new connection
  // when a pooled one turned out dead.
  template <typename Work>
  auto Transact(std::optional<TransactionKind> kind, Work work);

  // Records the reports of these programs, which the check of a report found not recorded
  // yet (all of them, the client's first time), in a transaction of its own.
  void RecordNews(const Reporter& reporter, std::vector<const ReportedProgram*> unrecorded,
                  std::int64_t daily_additions);

  // Engine hooks, each the same work done in fewer statements.
  // Of these programs, those the origin has not reported yet in their versions.
  virtual std::vector<const ReportedProgram*> Unrecorded(SqlConnection& db, std::int64_t origin_id,
                                                         std::span<const ReportedProgram> programs);
  // Records the origin's reports of the programs and versions the catalog holds, names the
  // programs they count for, and returns the programs left, those of new rows.
  virtual std::vector<const ReportedProgram*> RecordReportsOfHeldRows(
      SqlConnection& db, std::int64_t origin_id, std::vector<const ReportedProgram*> programs);
  // Holds back other processes that migrate the same database at once.
  virtual void LockSchema(SqlConnection& db);

  // The programs' names become those most origins sent, unless a maintainer named them.
  static constexpr const char* kNameByMajority =
      "UPDATE programs SET (name, publisher) = (SELECT name, publisher FROM program_origins "
      "WHERE program_id = ?1 GROUP BY name, publisher ORDER BY count(*) DESC, min(origin_id) "
      "LIMIT 1) WHERE id = ?1 AND NOT named";
  static constexpr const char* kProgramColumns =
      "id, identity, name, publisher, homepage, clients, added";
  static constexpr const char* kVersionColumns = "id, name, clients, confirmed, retracted";
  // The program in the seven columns from `first`, as kProgramColumns names them.
  static CatalogProgram ReadProgram(const SqlStatement& row, int first = 0);
  // The version in the five columns from `first`, as kVersionColumns names them.
  static CatalogVersion ReadVersion(const SqlStatement& row, int first = 0);

 private:
  using Lease = ConnectionPool<SqlConnection>::Lease;

  std::int64_t ProgramId(SqlConnection& db, const std::string& identity);
  std::int64_t VersionId(SqlConnection& db, std::int64_t program_id, const std::string& name);
  void RecordNewRows(SqlConnection& db, const Reporter& reporter,
                     std::vector<const ReportedProgram*> programs, std::int64_t daily_additions);

  Engine engine_;
  // The statements that find a row by its text key, in the engine's way.
  const std::string select_program_id_;
  const std::string select_version_id_;
  const std::string retract_;
  ConnectionPool<SqlConnection> pool_;
};

template <typename Work>
auto SqlCatalogStore::Transact(std::optional<TransactionKind> kind, Work work) {
  constexpr int kAttempts = 5;
  bool fresh = false;
  for (int attempt = 1;; ++attempt) {
    Lease lease(pool_, fresh);
    SqlConnection& db = *lease;
    try {
      if (!kind) return work(db);
      db.Begin(*kind);
      try {
        auto result = work(db);
        db.Execute("COMMIT");
        return result;
      } catch (...) {
        try {
          if (db.Usable()) db.Execute("ROLLBACK");
        } catch (const Error&) {
          // The error that ended the transaction is the one to report.
        }
        throw;
      }
    } catch (const SqlConflict&) {
      if (attempt == kAttempts) throw;
    } catch (const Error&) {
      // A connection that waited in the pool may have been closed by a restarted server: that
      // is no reason to fail the request. Anything else is.
      if (db.Usable() || !lease.Reused() || fresh) throw;
      fresh = true;
    }
  }
}

}  // namespace lintrove::service
