#pragma once

#include <string_view>

#include <mstch/mstch.hpp>

namespace lintrove::service {

enum class PageLanguage { English, German };

// The language of a Windows locale identifier in decimal, as the feedback page's address
// carries it: German for every German locale (1031, 2055, 3079, …), English otherwise and for
// anything that is no number.
PageLanguage LanguageOfLcid(std::string_view decimal_lcid);

// The language of a browser's Accept-Language header: German when German comes before
// English, English otherwise.
PageLanguage LanguageOfAcceptLanguage(std::string_view header);

// The texts of the pages in that language, under the names the templates use ("t_title", …),
// and "lang", the page's language tag.
void AddPageTexts(PageLanguage language, mstch::map& context);

}  // namespace lintrove::service
