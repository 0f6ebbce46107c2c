#include "answer_documents.h"

#include <sstream>

#include <pugixml.hpp>

#include "protocol/version_compare.h"

namespace lintrove::service {
namespace {

std::string Text(const pugi::xml_document& document) {
  std::ostringstream text;
  document.save(text, "", pugi::format_raw, pugi::encoding_utf8);
  return text.str();
}

pugi::xml_node Root(pugi::xml_document& document, const char* name = "dorvupdater") {
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value("UTF-8");
  return document.append_child(name);
}

void AppendText(pugi::xml_node parent, const char* name, std::string_view value) {
  parent.append_child(name).text().set(std::string(value).c_str());
}

void AppendVersion(pugi::xml_node parent, const CatalogVersion& version, std::int64_t program_id) {
  pugi::xml_node element = parent.append_child("Version");
  AppendText(element, "str_versionsname", version.name);
  element.append_child("int_version").text().set(static_cast<long long>(version.id));
  element.append_child("fk_int_programm").text().set(static_cast<long long>(program_id));
  element.append_child("int_trusted").text().set(version.confirmed ? 1 : 0);
  element.append_child("int_published").text().set(1);
  const auto numbers = VersionComparison::Numbers(version.name);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const std::string name = "int_version_" + std::to_string(i + 1);
    element.append_child(name.c_str()).text().set(numbers[i]);
  }
}

}  // namespace

std::string NoopAnswer() {
  pugi::xml_document document;
  AppendText(Root(document), "status", "ok");
  return Text(document);
}

std::string UpdatecheckAnswer(const Release& release) {
  pugi::xml_document document;
  pugi::xml_node root = Root(document);
  AppendText(root, "currentversion", release.version);
  AppendText(root, "downloadurl", release.download_url);
  AppendText(root, "forceupdate", release.force_update ? "true" : "false");
  AppendText(root, "infopage", release.info_url);
  // Lets the client check the download: only when the setup is the release directory's.
  if (release.setup) AppendText(root, "sha256", release.setup->sha256);
  return Text(document);
}

std::string Step1Answer(std::span<const Verdict> verdicts) {
  pugi::xml_document document;
  pugi::xml_node list = Root(document).append_child("ProgrammVersionliste");
  for (const Verdict& verdict : verdicts) {
    pugi::xml_node program = list.append_child("Programm");
    program.append_attribute("ID").set_value(verdict.id);
    if (verdict.kind == Verdict::Kind::Unsupported) {
      program.append_attribute("Status").set_value("unsupported");
      continue;
    }
    program.append_attribute("Status").set_value("supported");
    program.append_attribute("Hash").set_value(verdict.hash.c_str());
    program.append_attribute("CurrentVersionId")
        .set_value(static_cast<long long>(verdict.current_version_id));
    program.append_attribute("str_hersteller").set_value(verdict.vendor.c_str());
    program.append_attribute("str_homepage").set_value(verdict.homepage.c_str());
    for (const CatalogVersion& version : verdict.newer) {
      AppendVersion(program, version, verdict.program_id);
    }
  }
  return Text(document);
}

std::string ErrorAnswer(int http_status, std::string_view message) {
  pugi::xml_document document;
  pugi::xml_node root = Root(document, "error");
  root.append_attribute("status").set_value(http_status);
  root.text().set(std::string(message).c_str());
  return Text(document);
}

}  // namespace lintrove::service
