#include "storage/sql_catalog_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <utility>

#include "catalog/network_origin.h"
#include "catalog/program_identity.h"

namespace lintrove::service {
namespace {

// Dates and times are the service's, in UTC, as texts that sort as they follow each other.
std::chrono::sys_days ThisDay() {
  return std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
}
std::string Date(std::chrono::sys_days day) {
  const std::chrono::year_month_day date(day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}
std::string Today() { return Date(ThisDay()); }
std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::optional<std::int64_t> FindId(SqlConnection& db, std::string_view select,
                                   const auto&... keys) {
  SqlStatement& lookup = db.Prepare(select);
  if (!lookup.Bind(keys...).Step()) return std::nullopt;
  const std::int64_t id = lookup.Integer(0);
  lookup.Reset();
  return id;
}

std::int64_t Count(SqlConnection& db, std::string_view sql, const auto&... values) {
  return FindId(db, sql, values...).value_or(0);
}

// The reporter's rows, with whether either is banned; an id of 0 for one the catalog has not met.
struct KnownReporter {
  std::int64_t client_id = 0;
  std::int64_t origin_id = 0;
  bool banned = false;
};

// One statement: on a database server each is a trip there and back.
KnownReporter FindReporter(SqlConnection& db, const Reporter& reporter) {
  SqlStatement& known = db.Prepare(SqlCatalogStore::kFindReporter);
  known.Bind(reporter.client_guid, reporter.origin).Step();
  const KnownReporter found{known.Integer(0), known.Integer(1), known.Boolean(2)};
  known.Reset();
  return found;
}

// The row's id, inserted first where missing. Of two transactions inserting the same row at
// once, the second waits for the first and then finds its row.
std::int64_t InsertIfMissing(auto find, auto insert) {
  if (const auto id = find()) return *id;
  if (const auto id = insert()) return *id;
  if (const auto id = find()) return *id;
  throw Error("Database error: a row vanished while it was inserted");
}

std::int64_t ClientId(SqlConnection& db, const std::string& guid) {
  return InsertIfMissing(
      [&] { return FindId(db, "SELECT id FROM clients WHERE guid = ?", guid); },
      [&] {
        return FindId(
            db, "INSERT INTO clients (guid) VALUES (?) ON CONFLICT DO NOTHING RETURNING id", guid);
      });
}

std::int64_t OriginId(SqlConnection& db, const std::string& key) {
  return InsertIfMissing(
      [&] { return FindId(db, "SELECT id FROM origins WHERE key = ?", key); },
      [&] {
        return FindId(
            db, "INSERT INTO origins (key) VALUES (?) ON CONFLICT DO NOTHING RETURNING id", key);
      });
}

}  // namespace

SqlCatalogStore::SqlCatalogStore(Engine engine)
    : engine_(std::move(engine)),
      select_program_id_("SELECT id FROM programs WHERE " + engine_.key_equals("identity", "?1")),
      select_version_id_("SELECT id FROM versions WHERE program_id = ?1 AND " +
                         engine_.key_equals("name", "?2")),
      retract_("UPDATE versions SET retracted = true, confirmed = false WHERE " +
               engine_.key_equals("name", "?2") + " AND program_id = (" + select_program_id_ + ")"),
      pool_(engine_.open) {}

SqlCatalogStore::~SqlCatalogStore() = default;

void SqlCatalogStore::Migrate(std::span<const Migration> migrations) {
  Transact(TransactionKind::Writing, [&](SqlConnection& db) {
    LockSchema(db);
    db.Execute("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const std::int64_t stored = Count(db, "SELECT coalesce(max(version), 0) FROM schema_version");
    if (stored > kSchemaVersion) {
      throw Error("The database has schema version " + std::to_string(stored) +
                  ", newer than this service knows (" + std::to_string(kSchemaVersion) + ")");
    }
    for (auto version = static_cast<std::size_t>(stored); version < migrations.size(); ++version) {
      db.Execute(migrations[version].sql);
      if (migrations[version].after) migrations[version].after(db);
    }
    db.Prepare(
          "INSERT INTO settings (name, value) VALUES ('origin_secret', ?) "
          "ON CONFLICT DO NOTHING")
        .Bind(NewOriginSecret())
        .Run();
    db.Execute("DELETE FROM schema_version");
    db.Prepare("INSERT INTO schema_version (version) VALUES (?)")
        .Bind(std::int64_t{kSchemaVersion})
        .Run();
    return true;
  });
}

void SqlCatalogStore::LockSchema(SqlConnection&) {}

int SqlCatalogStore::SchemaVersion() {
  return Transact(std::nullopt, [](SqlConnection& db) {
    return static_cast<int>(Count(db, "SELECT max(version) FROM schema_version"));
  });
}

CatalogProgram SqlCatalogStore::ReadProgram(const SqlStatement& row, int first) {
  CatalogProgram program;
  program.id = row.Integer(first);
  program.identity = row.Text(first + 1);
  program.name = row.Text(first + 2);
  program.publisher = row.Text(first + 3);
  program.homepage = row.Text(first + 4);
  program.clients = row.Integer(first + 5);
  program.added = row.Boolean(first + 6);
  return program;
}

CatalogVersion SqlCatalogStore::ReadVersion(const SqlStatement& row, int first) {
  CatalogVersion version;
  version.id = row.Integer(first);
  version.name = row.Text(first + 1);
  version.clients = row.Integer(first + 2);
  version.confirmed = row.Boolean(first + 3);
  version.retracted = row.Boolean(first + 4);
  return version;
}

std::int64_t SqlCatalogStore::ProgramId(SqlConnection& db, const std::string& identity) {
  return InsertIfMissing([&] { return FindId(db, select_program_id_, identity); },
                         [&] {
                           return FindId(db,
                                         "INSERT INTO programs (identity, hash, first_seen) "
                                         "VALUES (?, ?, ?) ON CONFLICT DO NOTHING RETURNING id",
                                         identity, IdentityHash(identity), Today());
                         });
}

std::int64_t SqlCatalogStore::VersionId(SqlConnection& db, std::int64_t program_id,
                                        const std::string& name) {
  return InsertIfMissing([&] { return FindId(db, select_version_id_, program_id, name); },
                         [&] {
                           return FindId(db,
                                         "INSERT INTO versions (program_id, name, first_seen) "
                                         "VALUES (?, ?, ?) ON CONFLICT DO NOTHING RETURNING id",
                                         program_id, name, Today());
                         });
}

std::vector<const ReportedProgram*> SqlCatalogStore::Unrecorded(
    SqlConnection& db, std::int64_t origin_id, std::span<const ReportedProgram> programs) {
  SqlStatement& program_report = db.Prepare(
      "SELECT 1 FROM program_origins r JOIN programs p ON p.id = r.program_id "
      "WHERE r.origin_id = ? AND p.identity = ?");
  SqlStatement& version_report = db.Prepare(
      "SELECT 1 FROM version_origins r JOIN versions v ON v.id = r.version_id "
      "JOIN programs p ON p.id = v.program_id "
      "WHERE r.origin_id = ? AND p.identity = ? AND v.name = ?");
  std::vector<const ReportedProgram*> unrecorded;
  for (const ReportedProgram& program : programs) {
    SqlStatement& query = program.version.empty()
                              ? program_report.Bind(origin_id, program.identity)
                              : version_report.Bind(origin_id, program.identity, program.version);
    const bool found = query.Step();
    query.Reset();
    if (!found) unrecorded.push_back(&program);
  }
  return unrecorded;
}

std::vector<const ReportedProgram*> SqlCatalogStore::RecordReportsOfHeldRows(
    SqlConnection&, std::int64_t, std::vector<const ReportedProgram*> programs) {
  return programs;
}

void SqlCatalogStore::RecordReport(const Reporter& reporter,
                                   std::span<const ReportedProgram> programs,
                                   std::int64_t daily_additions) {
  // Most reports are no news: a client checks the same programs again and again, and needs
  // no write then; a client that changed one version writes that one alone.
  using Programs = std::vector<const ReportedProgram*>;
  const std::optional<TransactionKind> check = engine_.report_check_without_transaction
                                                   ? std::nullopt
                                                   : std::optional(TransactionKind::Reading);
  std::optional<Programs> unrecorded =
      Transact(check, [&](SqlConnection& db) -> std::optional<Programs> {
        const KnownReporter known = FindReporter(db, reporter);
        if (known.banned) return std::nullopt;
        Programs news;
        if (known.origin_id == 0) {
          for (const ReportedProgram& program : programs) news.push_back(&program);
        } else {
          news = Unrecorded(db, known.origin_id, programs);
        }
        if (news.empty() && known.client_id != 0) return std::nullopt;
        return news;
      });
  if (unrecorded) RecordNews(reporter, std::move(*unrecorded), daily_additions);
}

void SqlCatalogStore::RecordNews(const Reporter& reporter,
                                 std::vector<const ReportedProgram*> unrecorded,
                                 std::int64_t daily_additions) {
  // Rows are locked in the order of their identities, so that two reports of the same
  // programs never wait for each other in a circle.
  std::stable_sort(unrecorded.begin(), unrecorded.end(),
                   [](const auto* a, const auto* b) { return a->identity < b->identity; });
  Transact(TransactionKind::Recording, [&](SqlConnection& db) {
    RecordNewRows(db, reporter, unrecorded, daily_additions);
    return true;
  });
}

void SqlCatalogStore::RecordNewRows(SqlConnection& db, const Reporter& reporter,
                                    std::vector<const ReportedProgram*> programs,
                                    std::int64_t daily_additions) {
  if (FindReporter(db, reporter).banned) return;
  ClientId(db, reporter.client_guid);
  const std::int64_t origin_id = OriginId(db, reporter.origin);
  // The origin's row stays locked to the end: its reports are recorded one at a time.
  std::int64_t additions =
      FindId(db,
             "UPDATE origins SET quota_used = CASE WHEN quota_day = ?2 THEN quota_used ELSE 0 END, "
             "quota_day = ?2 WHERE id = ?1 RETURNING quota_used",
             origin_id, Today())
          .value_or(0);
  // The id of a program or version, created when the origin may still add one today.
  const auto find_or_add = [&](auto find, auto create) -> std::optional<std::int64_t> {
    if (const auto id = find()) return id;
    if (additions >= daily_additions) return std::nullopt;
    ++additions;
    return create();
  };
  // Counted only where the report's row went in: one already there, or one another process
  // is recording at this moment, inserts nothing.
  SqlStatement& report_program = db.Prepare(
      "INSERT INTO program_origins (origin_id, program_id, name, publisher) VALUES (?, ?, ?, ?) "
      "ON CONFLICT DO NOTHING");
  SqlStatement& count_program =
      db.Prepare("UPDATE programs SET clients = clients + 1 WHERE id = ?");
  SqlStatement& name_program = db.Prepare(kNameByMajority);
  SqlStatement& report_version = db.Prepare(
      "INSERT INTO version_origins (origin_id, version_id) VALUES (?, ?) ON CONFLICT DO NOTHING");
  SqlStatement& count_version =
      db.Prepare("UPDATE versions SET clients = clients + 1 WHERE id = ?");
  for (const ReportedProgram* program :
       RecordReportsOfHeldRows(db, origin_id, std::move(programs))) {
    const auto program_id =
        find_or_add([&] { return FindId(db, select_program_id_, program->identity); },
                    [&] { return ProgramId(db, program->identity); });
    if (!program_id) continue;
    report_program.Bind(origin_id, *program_id, program->name, program->publisher).Run();
    if (report_program.Changes() > 0) {
      count_program.Bind(*program_id).Run();
      name_program.Bind(*program_id).Run();
    }
    if (program->version.empty()) continue;
    const auto version_id =
        find_or_add([&] { return FindId(db, select_version_id_, *program_id, program->version); },
                    [&] { return VersionId(db, *program_id, program->version); });
    if (!version_id) continue;
    report_version.Bind(origin_id, *version_id).Run();
    if (report_version.Changes() > 0) count_version.Bind(*version_id).Run();
  }
  db.Prepare("UPDATE origins SET quota_used = ? WHERE id = ?").Bind(additions, origin_id).Run();
}

std::vector<std::optional<ProgramFacts>> SqlCatalogStore::Lookup(
    std::span<const ProgramQuery> queries, std::int64_t min_clients) {
  return Transact(TransactionKind::Reading, [&](SqlConnection& db) {
    // One statement per program: the program, then its offered versions and the installed one
    // (offered or not), one row each; a program without such versions comes as one row with
    // the version's columns NULL. A statement per program, not three: most of the time of a
    // step1 goes to running statements.
    SqlStatement& program = db.Prepare(
        "SELECT p.id, p.identity, p.name, p.publisher, p.homepage, p.clients, p.added, "
        "v.id, v.name, v.clients, v.confirmed, v.retracted, "
        "(v.clients >= ?1 OR v.confirmed) AND NOT v.retracted "
        "FROM programs p LEFT JOIN versions v ON v.program_id = p.id "
        "AND (v.clients >= ?1 OR v.confirmed OR v.name = ?2) "
        "WHERE p.identity = ?3 ORDER BY v.id");
    constexpr int kFirstVersionColumn = 7;
    std::vector<std::optional<ProgramFacts>> results;
    results.reserve(queries.size());
    for (const ProgramQuery& query : queries) {
      std::optional<ProgramFacts>& facts = results.emplace_back();
      for (program.Bind(min_clients, query.installed_version, query.identity); program.Step();) {
        if (!facts) facts.emplace().program = ReadProgram(program);
        if (program.IsNull(kFirstVersionColumn)) continue;
        CatalogVersion version = ReadVersion(program, kFirstVersionColumn);
        if (version.name == query.installed_version) facts->installed_version_id = version.id;
        if (program.Boolean(kFirstVersionColumn + 5)) facts->offered.push_back(std::move(version));
      }
    }
    return results;
  });
}

void SqlCatalogStore::Curate(std::span<const CatalogEntry> entries) {
  Transact(TransactionKind::Writing, [&](SqlConnection& db) {
    SqlStatement& update_program = db.Prepare(
        "UPDATE programs SET name = coalesce(nullif(?1, ''), name), "
        "publisher = coalesce(nullif(?2, ''), publisher), "
        "named = named OR ?1 <> '' OR ?2 <> '', "
        "homepage = coalesce(nullif(?3, ''), homepage), added = added OR ?4 WHERE id = ?5");
    SqlStatement& mark_version = db.Prepare(
        "UPDATE versions SET retracted = retracted OR ?2, "
        "confirmed = (confirmed OR ?1) AND NOT (retracted OR ?2) WHERE id = ?3");
    for (const CatalogEntry& entry : entries) {
      const CatalogProgram& program = entry.program;
      const std::int64_t program_id = ProgramId(db, program.identity);
      update_program
          .Bind(program.name, program.publisher, program.homepage, program.added, program_id)
          .Run();
      for (const CatalogVersion& version : entry.versions) {
        mark_version
            .Bind(version.confirmed, version.retracted, VersionId(db, program_id, version.name))
            .Run();
      }
    }
    return true;
  });
}

bool SqlCatalogStore::Retract(std::string_view identity, std::string_view version) {
  return Transact(TransactionKind::Writing, [&](SqlConnection& db) {
    SqlStatement& retract = db.Prepare(retract_);
    retract.Bind(identity, version).Run();
    return retract.Changes() > 0;
  });
}

void SqlCatalogStore::BanClient(const std::string& client_guid) {
  Transact(TransactionKind::Writing, [&](SqlConnection& db) {
    const std::int64_t client_id = ClientId(db, client_guid);
    db.Prepare("UPDATE clients SET banned = true WHERE id = ?").Bind(client_id).Run();
    db.Prepare("DELETE FROM feedback WHERE client_id = ?").Bind(client_id).Run();
    return true;
  });
}

std::int64_t SqlCatalogStore::BanOrigin(const std::string& origin) {
  return Transact(TransactionKind::Writing, [&](SqlConnection& db) {
    const std::int64_t origin_id = OriginId(db, origin);
    db.Prepare("UPDATE origins SET banned = true WHERE id = ?").Bind(origin_id).Run();
    std::vector<std::int64_t> programs;
    SqlStatement& reported =
        db.Prepare("SELECT program_id FROM program_origins WHERE origin_id = ?");
    for (reported.Bind(origin_id); reported.Step();) programs.push_back(reported.Integer(0));
    db.Prepare(
          "UPDATE versions SET clients = clients - 1 "
          "WHERE id IN (SELECT version_id FROM version_origins WHERE origin_id = ?)")
        .Bind(origin_id)
        .Run();
    SqlStatement& take_versions = db.Prepare("DELETE FROM version_origins WHERE origin_id = ?");
    take_versions.Bind(origin_id).Run();
    const std::int64_t taken_back = take_versions.Changes() + std::ssize(programs);
    db.Prepare(
          "UPDATE programs SET clients = clients - 1 "
          "WHERE id IN (SELECT program_id FROM program_origins WHERE origin_id = ?)")
        .Bind(origin_id)
        .Run();
    db.Prepare("DELETE FROM program_origins WHERE origin_id = ?").Bind(origin_id).Run();
    SqlStatement& rename = db.Prepare(kNameByMajority);
    for (const std::int64_t program_id : programs) rename.Bind(program_id).Run();
    return taken_back;
  });
}

PruneCounts SqlCatalogStore::Prune(std::int64_t age_days, std::int64_t min_clients) {
  const std::string cutoff = Date(ThisDay() - std::chrono::days(age_days));
  // The programs to go with all their versions, and the versions to go. Neither set changes
  // while they go: a program goes only without confirmed versions, and only unconfirmed ones
  // go but for those of the programs that go.
  const std::string programs =
      "SELECT id FROM programs WHERE first_seen <= ?1 AND clients < ?2 AND NOT added "
      "AND NOT EXISTS (SELECT 1 FROM versions v WHERE v.program_id = programs.id AND "
      "v.confirmed)";
  const std::string versions =
      "SELECT id FROM versions WHERE (first_seen <= ?1 AND clients < ?2 AND NOT confirmed) "
      "OR program_id IN (" +
      programs + ")";
  return Transact(TransactionKind::Writing, [&](SqlConnection& db) {
    const auto remove = [&](const std::string& sql) {
      SqlStatement& statement = db.Prepare(sql);
      statement.Bind(cutoff, min_clients).Run();
      return statement.Changes();
    };
    remove("DELETE FROM version_origins WHERE version_id IN (" + versions + ")");
    remove("DELETE FROM feedback WHERE version_id IN (" + versions + ") OR program_id IN (" +
           programs + ")");
    PruneCounts pruned;
    pruned.versions = remove("DELETE FROM versions WHERE id IN (" + versions + ")");
    remove("DELETE FROM program_origins WHERE program_id IN (" + programs + ")");
    pruned.programs = remove("DELETE FROM programs WHERE id IN (" + programs + ")");
    return pruned;
  });
}

std::string SqlCatalogStore::OriginSecret() {
  return Transact(std::nullopt, [&](SqlConnection& db) {
    SqlStatement& secret = db.Prepare("SELECT value FROM settings WHERE name = 'origin_secret'");
    if (!secret.Bind().Step()) throw Error("The catalog has no origin secret");
    std::string value = secret.Text(0);
    secret.Reset();
    return value;
  });
}

std::vector<CatalogEntry> SqlCatalogStore::Export() {
  return Transact(TransactionKind::Reading, [&](SqlConnection& db) {
    std::vector<CatalogEntry> entries;
    std::map<std::int64_t, std::size_t> position;
    SqlStatement& programs =
        db.Prepare(std::string("SELECT ") + kProgramColumns + " FROM programs ORDER BY identity");
    for (programs.Bind(); programs.Step();) {
      CatalogEntry entry;
      entry.program = ReadProgram(programs);
      position[entry.program.id] = entries.size();
      entries.push_back(std::move(entry));
    }
    SqlStatement& versions = db.Prepare(std::string("SELECT ") + kVersionColumns +
                                        ", program_id FROM versions ORDER BY id");
    for (versions.Bind(); versions.Step();) {
      entries[position.at(versions.Integer(5))].versions.push_back(ReadVersion(versions));
    }
    return entries;
  });
}

std::optional<ProgramDetails> SqlCatalogStore::FindProgram(std::string_view hash) {
  return Transact(
      TransactionKind::Reading, [&](SqlConnection& db) -> std::optional<ProgramDetails> {
        SqlStatement& program = db.Prepare(std::string("SELECT ") + kProgramColumns +
                                           " FROM programs WHERE hash = ? ORDER BY id LIMIT 1");
        if (!program.Bind(hash).Step()) return std::nullopt;
        ProgramDetails details;
        details.entry.program = ReadProgram(program);
        program.Reset();
        const std::int64_t program_id = details.entry.program.id;
        SqlStatement& versions = db.Prepare(std::string("SELECT ") + kVersionColumns +
                                            " FROM versions WHERE program_id = ? ORDER BY id");
        for (versions.Bind(program_id); versions.Step();) {
          details.entry.versions.push_back(ReadVersion(versions));
        }
        SqlStatement& feedback = db.Prepare(
            "SELECT version_id, count(*) FROM feedback WHERE program_id = ? "
            "GROUP BY version_id");
        for (feedback.Bind(program_id); feedback.Step();) {
          const std::int64_t version_id = feedback.Integer(0);
          if (version_id == 0) {
            details.wrong_match_reports = feedback.Integer(1);
          } else {
            details.wrong_version_reports[version_id] = feedback.Integer(1);
          }
        }
        return details;
      });
}

bool SqlCatalogStore::RecordFeedback(const Feedback& feedback) {
  return Transact(TransactionKind::Writing, [&](SqlConnection& db) {
    const bool known =
        feedback.version_id == 0
            ? FindId(db, "SELECT 1 FROM programs WHERE id = ?", feedback.program_id).has_value()
            : FindId(db, "SELECT 1 FROM versions WHERE id = ? AND program_id = ?",
                     feedback.version_id, feedback.program_id)
                  .has_value();
    if (!known) return false;
    const std::int64_t client_id = ClientId(db, feedback.client_guid);
    if (FindId(db, "SELECT 1 FROM clients WHERE id = ? AND banned", client_id)) return true;
    db.Prepare(
          "INSERT INTO feedback (client_id, program_id, version_id, comment, reported) "
          "VALUES (?, ?, ?, ?, ?) ON CONFLICT (client_id, program_id, version_id) "
          "DO UPDATE SET comment = excluded.comment, reported = excluded.reported")
        .Bind(client_id, feedback.program_id, feedback.version_id, feedback.comment, Now())
        .Run();
    return true;
  });
}

std::vector<FeedbackSummary> SqlCatalogStore::ListFeedback() {
  return Transact(TransactionKind::Reading, [&](SqlConnection& db) {
    SqlStatement& groups = db.Prepare(
        "SELECT p.identity, p.name, coalesce(v.name, ''), count(*), max(f.reported), "
        "f.program_id, f.version_id FROM feedback f JOIN programs p ON p.id = f.program_id "
        "LEFT JOIN versions v ON v.id = f.version_id "
        "GROUP BY f.program_id, f.version_id, p.identity, p.name, v.name "
        "ORDER BY count(*) DESC, p.identity, f.version_id");
    SqlStatement& comments = db.Prepare(
        "SELECT comment FROM feedback WHERE program_id = ? AND version_id = ? AND comment <> '' "
        "ORDER BY reported DESC");
    std::vector<FeedbackSummary> summaries;
    std::vector<std::pair<std::int64_t, std::int64_t>> keys;
    for (groups.Bind(); groups.Step();) {
      FeedbackSummary& summary = summaries.emplace_back();
      summary.identity = groups.Text(0);
      summary.name = groups.Text(1);
      summary.version = groups.Text(2);
      summary.clients = groups.Integer(3);
      summary.last_reported = groups.Text(4);
      keys.emplace_back(groups.Integer(5), groups.Integer(6));
    }
    for (std::size_t i = 0; i < summaries.size(); ++i) {
      for (comments.Bind(keys[i].first, keys[i].second); comments.Step();) {
        summaries[i].comments.push_back(comments.Text(0));
      }
    }
    return summaries;
  });
}

CatalogCounts SqlCatalogStore::Counts(std::int64_t min_clients) {
  return Transact(std::nullopt, [&](SqlConnection& db) {
    SqlStatement& counts = db.Prepare(
        "SELECT (SELECT count(*) FROM programs), "
        "(SELECT count(*) FROM programs WHERE clients >= ?1 OR added), "
        "(SELECT count(*) FROM versions), "
        "(SELECT count(*) FROM versions WHERE (clients >= ?1 OR confirmed) AND NOT retracted), "
        "(SELECT count(*) FROM clients), (SELECT count(*) FROM origins), "
        "(SELECT count(*) FROM version_origins)");
    counts.Bind(min_clients).Step();
    const CatalogCounts result{.programs = counts.Integer(0),
                               .known_programs = counts.Integer(1),
                               .versions = counts.Integer(2),
                               .offered_versions = counts.Integer(3),
                               .clients = counts.Integer(4),
                               .origins = counts.Integer(5),
                               .reports = counts.Integer(6)};
    counts.Reset();
    return result;
  });
}

void SqlCatalogStore::Ping() {
  Transact(std::nullopt, [](SqlConnection& db) { return Count(db, "SELECT 1"); });
}

bool SqlCatalogStore::Writable() {
  try {
    return Transact(TransactionKind::Writing, [](SqlConnection& db) {
      db.Prepare("UPDATE write_probe SET written = written + 1 WHERE id = 1").Run();
      return true;
    });
  } catch (const Error&) {
    return false;
  }
}

}  // namespace lintrove::service
