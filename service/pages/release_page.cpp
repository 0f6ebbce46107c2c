#include "pages/release_page.h"

#include "catalog/catalog_json.h"
#include "pages/page_rendering.h"

namespace lintrove::service {

std::string ReleaseInfoPage(const Release& release, PageLanguage language) {
  mstch::map context;
  AddPageTexts(language, context);
  context["version"] = release.version;
  mstch::array notes;
  for (const std::string& note : release.notes) notes.emplace_back(note);
  context["notes"] = notes;
  if (release.setup) {
    context["setup"] = mstch::map{
        // Relative to the page, which is served from the same directory.
        {"url", release.setup->name},
        {"name", release.setup->name},
        {"size", std::to_string(release.setup->size)},
        {"sha256", release.setup->sha256},
    };
  }
  context["download_url"] = IsWebAddress(release.download_url) ? release.download_url : "";
  return RenderPage("release", context);
}

}  // namespace lintrove::service
