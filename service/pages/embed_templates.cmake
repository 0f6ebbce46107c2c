# Writes OUTPUT: a C++ source holding each template file of TEMPLATES (a list) as a raw
# string, found by PageTemplate("<file name without .mustache>"). The pages are part of the
# executable, so the service runs from the build tree and from an installation alike.
set(delimiter "lintrove_page")
set(entries "")
foreach(file IN LISTS TEMPLATES)
  file(READ "${file}" text)
  string(FIND "${text}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds the raw string's delimiter")
  endif()
  get_filename_component(name "${file}" NAME_WE)
  string(APPEND entries "    {\"${name}\", R\"${delimiter}(${text})${delimiter}\"},\n")
endforeach()
file(WRITE "${OUTPUT}.new" "// Generated from service/pages/templates by embed_templates.cmake.
#include \"pages/page_templates.h\"

#include <map>

namespace lintrove::service {

const std::map<std::string, std::string>& PageTemplates() {
  static const std::map<std::string, std::string> templates = {
${entries}  };
  return templates;
}

}  // namespace lintrove::service
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
