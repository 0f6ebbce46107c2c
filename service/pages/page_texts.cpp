#include "pages/page_texts.h"

#include <charconv>
#include <cstdint>

namespace lintrove::service {
namespace {

constexpr std::uint32_t kGermanPrimaryLanguage = 0x07;

struct PageText {
  const char* name;
  const char* english;
  const char* german;
};

constexpr PageText kTexts[] = {
    {"t_title", "Lintrove community catalog", "Lintrove-Gemeinschaftskatalog"},
    {"t_publisher", "Publisher", "Hersteller"},
    {"t_homepage", "Home page", "Homepage"},
    {"t_clients", "Reported by", "Gemeldet von"},
    {"t_match_reports", "Reported as the wrong program by", "Als falsches Programm gemeldet von"},
    {"t_versions", "Versions known", "Bekannte Versionen"},
    {"t_version", "Version", "Version"},
    {"t_reported_by", "Machines", "Rechner"},
    {"t_offered", "Offered", "Angeboten"},
    {"t_version_reports", "Said wrong", "Als falsch gemeldet"},
    {"t_yours", "yours", "Ihre"},
    {"t_yes", "yes", "ja"},
    {"t_no", "no", "nein"},
    {"t_confirmed", "confirmed", "bestätigt"},
    {"t_no_versions", "No versions are known yet.", "Noch sind keine Versionen bekannt."},
    {"t_report", "Something wrong?", "Stimmt etwas nicht?"},
    {"t_what", "What is wrong:", "Was ist falsch:"},
    {"t_match_wrong", "This is not the program I have installed",
     "Das ist nicht das installierte Programm"},
    {"t_version_wrong", "Wrong version:", "Falsche Version:"},
    {"t_comment", "Comment (optional):", "Bemerkung (freiwillig):"},
    {"t_send", "Send", "Senden"},
    {"t_thanks", "Thank you: your report has been recorded.",
     "Danke: Ihre Meldung wurde gespeichert."},
    {"t_no_client", "Your report cannot be recorded: the address does not name your client.",
     "Ihre Meldung kann nicht gespeichert werden: die Adresse nennt Ihren Client nicht."},
    {"t_bad_report", "Your report cannot be recorded: choose what is wrong from the list.",
     "Ihre Meldung kann nicht gespeichert werden: wählen Sie aus der Liste, was falsch ist."},
    {"t_foreign_form", "Your report was not recorded: the form was sent from another site.",
     "Ihre Meldung wurde nicht gespeichert: das Formular kam von einer anderen Website."},
    {"t_unknown_title", "Program not in the catalog", "Programm nicht im Katalog"},
    {"t_unknown_text",
     "The community catalog does not know this program yet. It learns a program once enough "
     "machines have reported it.",
     "Der Gemeinschaftskatalog kennt dieses Programm noch nicht. Er lernt ein Programm, "
     "sobald genügend Rechner es gemeldet haben."},
    {"t_download", "Download", "Herunterladen"},
    {"t_bytes", "bytes", "Bytes"},
    {"t_checksum", "SHA-256 checksum of the setup:", "SHA-256-Prüfsumme des Setups:"},
};

bool StartsWithLanguage(std::string_view range, std::string_view language) {
  return range.size() >= language.size() &&
         std::equal(language.begin(), language.end(), range.begin(),
                    [](char a, char b) { return a == (b | 0x20); }) &&
         (range.size() == language.size() || range[language.size()] == '-' ||
          range[language.size()] == ';' || range[language.size()] == ' ');
}

}  // namespace

PageLanguage LanguageOfLcid(std::string_view decimal_lcid) {
  std::uint32_t lcid = 0;
  const auto [end, error] =
      std::from_chars(decimal_lcid.data(), decimal_lcid.data() + decimal_lcid.size(), lcid);
  if (decimal_lcid.empty() || error != std::errc() ||
      end != decimal_lcid.data() + decimal_lcid.size()) {
    return PageLanguage::English;
  }
  return (lcid & 0x3FF) == kGermanPrimaryLanguage ? PageLanguage::German : PageLanguage::English;
}

PageLanguage LanguageOfAcceptLanguage(std::string_view header) {
  // The ranges in the header's order; browsers list the preferred ones first.
  while (!header.empty()) {
    const std::size_t comma = header.find(',');
    std::string_view range = header.substr(0, comma);
    while (!range.empty() && range.front() == ' ') range.remove_prefix(1);
    if (StartsWithLanguage(range, "de")) return PageLanguage::German;
    if (StartsWithLanguage(range, "en")) return PageLanguage::English;
    header = comma == std::string_view::npos ? std::string_view() : header.substr(comma + 1);
  }
  return PageLanguage::English;
}

void AddPageTexts(PageLanguage language, mstch::map& context) {
  const bool german = language == PageLanguage::German;
  context["lang"] = std::string(german ? "de" : "en");
  for (const PageText& text : kTexts) {
    context[text.name] = std::string(german ? text.german : text.english);
  }
}

}  // namespace lintrove::service
