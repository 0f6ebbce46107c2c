#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalog/catalog_store.h"
#include "pages/page_rendering.h"

namespace lintrove::service {

// The address's parameters, as the client sends them: the user's LCID in decimal, the
// catalog's id of the installed version, the program's Hash and the client's GUID. The form
// sends them back.
struct FeedbackQuery {
  std::string lcid;
  std::string vid;
  std::string hash;
  std::string cid;
};

// The page the client shows beside a verdict: the program, its publisher and home page, every
// version the catalog knows with the number of machines that reported it, and a form to say
// that the match or a version is wrong. In German for German locales, else in English.
class FeedbackPage {
 public:
  static constexpr std::string_view kPath = "/updateservicefeedback1400.php";
  // Longer comments are cut: a report is a hint for a maintainer, not a letter.
  static constexpr std::size_t kCommentLimit = 500;

  FeedbackPage(CatalogStore& store, std::int64_t threshold);

  // The page of the program the query names; a page saying so, with status 404, when the
  // catalog has none.
  Page Show(const FeedbackQuery& query);

  // A report through the form. `subject` is "0" when the match is wrong, else the id of the
  // version that is wrong. Answers with the page, which says whether the report was recorded:
  // not without a client GUID (status 400), nor of a version the program does not have (400).
  Page Receive(const FeedbackQuery& query, std::string_view subject, std::string_view comment);

  // The page for a report whose form was posted from another site: not recorded (status 403).
  Page RefuseForeignForm(const FeedbackQuery& query);

 private:
  enum class Notice { None, Thanks, NoClient, BadReport, ForeignForm };

  std::optional<ProgramDetails> Find(std::string_view hash);
  Page Render(const FeedbackQuery& query, Notice notice);

  CatalogStore& store_;
  std::int64_t threshold_;
};

}  // namespace lintrove::service
