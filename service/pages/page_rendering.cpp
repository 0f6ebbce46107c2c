#include "pages/page_rendering.h"

#include "pages/page_templates.h"

namespace lintrove::service {

std::string RenderPage(const std::string& template_name, const mstch::map& context) {
  return mstch::render(PageTemplates().at(template_name), context, PageTemplates());
}

}  // namespace lintrove::service
