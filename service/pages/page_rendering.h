#pragma once

#include <string>

#include <mstch/mstch.hpp>

namespace lintrove::service {

// A page made for a browser: its HTTP status and its HTML.
struct Page {
  int http_status = 200;
  std::string html;
};

// The template of that name filled from the context. Every {{value}} is HTML-escaped: the
// texts of the pages come from clients and are hostile until escaped. Templates never use the
// unescaped forms ({{{value}}}, {{&value}}).
std::string RenderPage(const std::string& template_name, const mstch::map& context);

}  // namespace lintrove::service
