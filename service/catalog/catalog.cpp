#include "catalog/catalog.h"

#include <algorithm>
#include <optional>

#include "catalog/network_origin.h"
#include "catalog/program_identity.h"
#include "catalog/text_limits.h"
#include "catalog/version_names.h"
#include "protocol/version_compare.h"

namespace lintrove::service {
namespace {

// The offered versions newer than the installed one that the client asked to hear of, oldest
// first; equal versions keep the catalog's order.
std::vector<CatalogVersion> NewerVersions(const ProgramFacts& facts, std::string_view installed,
                                          const RequestClient& client) {
  const std::int32_t installed_major = MajorNumber(installed);
  std::vector<CatalogVersion> newer;
  for (const CatalogVersion& version : facts.offered) {
    if (VersionComparison::Compare(version.name, installed) <= 0) continue;
    if (!client.upgrades && MajorNumber(version.name) > installed_major) continue;
    if (!client.betas && IsPreRelease(version.name)) continue;
    newer.push_back(version);
  }
  std::stable_sort(newer.begin(), newer.end(), [](const auto& a, const auto& b) {
    return VersionComparison::Compare(a.name, b.name) < 0;
  });
  return newer;
}

// A report of the program as the catalog keeps it; none when a key is too long to keep.
std::optional<ReportedProgram> Recordable(const ProgramIdentity& identity,
                                          const std::string& version) {
  if (identity.key.size() > TextLimits::kIdentity || version.size() > TextLimits::kVersion) {
    return std::nullopt;
  }
  return ReportedProgram{identity.key, CutUtf8(identity.name, TextLimits::kName),
                         CutUtf8(identity.publisher, TextLimits::kPublisher), version};
}

}  // namespace

Catalog::Catalog(CatalogStore& store, std::int64_t threshold, std::int64_t daily_additions)
    : store_(store),
      threshold_(threshold),
      daily_additions_(daily_additions),
      origin_secret_(store.OriginSecret()) {}

std::string Catalog::OriginKeyOf(std::string_view origin) const {
  return OriginKey(origin_secret_, NetworkOf(origin).value_or(std::string(origin)));
}

std::vector<Verdict> Catalog::Step1(const ServiceRequest& request, std::string_view origin) {
  std::vector<std::optional<ProgramIdentity>> identities;
  std::vector<ReportedProgram> reports;
  std::vector<ProgramQuery> queries;
  for (const SentProgram& program : request.programs) {
    identities.push_back(IdentifyProgram(program));
    if (!identities.back()) continue;
    const ProgramIdentity& identity = *identities.back();
    const std::string version = InstalledVersion(program);
    if (auto report = Recordable(identity, version)) reports.push_back(std::move(*report));
    queries.push_back({identity.key, version});
  }
  const std::vector<std::optional<ProgramFacts>> found =
      IsBracedGuid(request.client.guid)
          ? store_.RecordAndLookup({UpperAscii(request.client.guid), OriginKeyOf(origin)}, reports,
                                   daily_additions_, queries, threshold_)
          : store_.Lookup(queries, threshold_);

  std::vector<Verdict> verdicts;
  std::size_t next_query = 0;  // the queries are those of the recognised programs
  for (std::size_t i = 0; i < request.programs.size(); ++i) {
    Verdict& verdict = verdicts.emplace_back();
    verdict.id = request.programs[i].id;
    if (!identities[i]) continue;
    const std::size_t query = next_query++;
    const std::optional<ProgramFacts>& facts = found[query];
    if (!facts || (facts->program.clients < threshold_ && !facts->program.added)) continue;
    verdict.hash = IdentityHash(facts->program.identity);
    verdict.program_id = facts->program.id;
    verdict.current_version_id = facts->installed_version_id;
    verdict.vendor = facts->program.publisher;
    verdict.homepage = facts->program.homepage;
    verdict.newer = NewerVersions(*facts, queries[query].installed_version, request.client);
    verdict.kind = verdict.newer.empty() ? Verdict::Kind::Current : Verdict::Kind::NewVersion;
  }
  return verdicts;
}

}  // namespace lintrove::service
