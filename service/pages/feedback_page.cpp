#include "pages/feedback_page.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "base/text.h"
#include "catalog/catalog_json.h"
#include "catalog/clean_text.h"
#include "catalog/program_identity.h"
#include "pages/page_texts.h"
#include "protocol/version_compare.h"

namespace lintrove::service {
namespace {

constexpr int kBadRequest = 400;
constexpr int kForbidden = 403;
constexpr int kNotFound = 404;
// A Hash is 16 hexadecimal digits; anything much longer names no program.
constexpr std::size_t kMaxHashLength = 64;

std::optional<std::int64_t> NonNegativeNumber(std::string_view text) {
  std::int64_t value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

// At most `limit` characters, cut between two of them, never inside one.
std::string CutComment(std::string_view comment, std::size_t limit) {
  std::string clean(Trim(CleanText(comment)));
  std::size_t characters = 0;
  for (std::size_t i = 0; i < clean.size(); ++i) {
    const bool starts_character = (static_cast<unsigned char>(clean[i]) & 0xC0) != 0x80;
    if (starts_character && ++characters > limit) {
      clean.resize(i);
      break;
    }
  }
  return clean;
}

mstch::array VersionRows(const ProgramDetails& details, std::int64_t installed_id,
                         std::int64_t threshold) {
  std::vector<CatalogVersion> versions = details.entry.versions;
  // Newest first, as a reader looks for the newest.
  std::stable_sort(versions.begin(), versions.end(), [](const auto& a, const auto& b) {
    return VersionComparison::Compare(a.name, b.name) > 0;
  });
  mstch::array rows;
  for (const CatalogVersion& version : versions) {
    const auto wrong = details.wrong_version_reports.find(version.id);
    rows.push_back(mstch::map{
        {"id", std::to_string(version.id)},
        {"name", version.name},
        {"clients", std::to_string(version.clients)},
        {"offered", version.clients >= threshold || version.confirmed},
        {"confirmed", version.confirmed},
        {"installed", version.id == installed_id},
        {"wrong", std::to_string(wrong == details.wrong_version_reports.end() ? 0 : wrong->second)},
    });
  }
  return rows;
}

}  // namespace

FeedbackPage::FeedbackPage(CatalogStore& store, std::int64_t threshold)
    : store_(store), threshold_(threshold) {}

std::optional<ProgramDetails> FeedbackPage::Find(std::string_view hash) {
  if (hash.size() > kMaxHashLength) return std::nullopt;
  return store_.FindProgram(hash);
}

Page FeedbackPage::Show(const FeedbackQuery& query) { return Render(query, Notice::None); }

Page FeedbackPage::Receive(const FeedbackQuery& query, std::string_view subject,
                           std::string_view comment) {
  const std::optional<ProgramDetails> details = Find(query.hash);
  if (!details) return Render(query, Notice::None);
  if (!IsBracedGuid(query.cid)) return Render(query, Notice::NoClient);
  const std::optional<std::int64_t> version_id = NonNegativeNumber(subject);
  if (!version_id) return Render(query, Notice::BadReport);
  const bool recorded = store_.RecordFeedback({.client_guid = UpperAscii(query.cid),
                                               .program_id = details->entry.program.id,
                                               .version_id = *version_id,
                                               .comment = CutComment(comment, kCommentLimit)});
  return Render(query, recorded ? Notice::Thanks : Notice::BadReport);
}

Page FeedbackPage::RefuseForeignForm(const FeedbackQuery& query) {
  return Render(query, Notice::ForeignForm);
}

Page FeedbackPage::Render(const FeedbackQuery& query, Notice notice) {
  mstch::map context;
  AddPageTexts(LanguageOfLcid(query.lcid), context);
  context["lcid"] = query.lcid;
  context["vid"] = query.vid;
  context["hash"] = query.hash;
  context["cid"] = query.cid;
  context["comment_limit"] = std::to_string(kCommentLimit);

  const std::optional<ProgramDetails> details = Find(query.hash);
  Page page;
  if (!details) {
    page.http_status = kNotFound;
    page.html = RenderPage("feedback", context);
    return page;
  }
  const CatalogProgram& program = details->entry.program;
  const mstch::array versions =
      VersionRows(*details, NonNegativeNumber(query.vid).value_or(-1), threshold_);
  context["program"] = mstch::map{
      {"name", program.name},
      {"publisher", program.publisher},
      // Only an address a browser opens as a page becomes a link.
      {"homepage", IsWebAddress(program.homepage) ? program.homepage : std::string()},
      {"clients", std::to_string(program.clients)},
      {"wrong_match", std::to_string(details->wrong_match_reports)},
      {"has_versions", !versions.empty()},
      {"versions", versions},
  };
  if (notice != Notice::None) {
    const char* text = notice == Notice::Thanks        ? "t_thanks"
                       : notice == Notice::NoClient    ? "t_no_client"
                       : notice == Notice::ForeignForm ? "t_foreign_form"
                                                       : "t_bad_report";
    context["notice"] =
        mstch::map{{"text", context.at(text)}, {"refused", notice != Notice::Thanks}};
    if (notice != Notice::Thanks) {
      page.http_status = notice == Notice::ForeignForm ? kForbidden : kBadRequest;
    }
  }
  page.html = RenderPage("feedback", context);
  return page;
}

}  // namespace lintrove::service
