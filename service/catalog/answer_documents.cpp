#include "catalog/answer_documents.h"

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

// Text as XML writes it: up to a NUL, with what must be escaped escaped. In an attribute
// value tab, LF and CR are escaped too, or a reader would take them for blanks.
void AppendEscaped(std::string& out, std::string_view value, bool in_attribute) {
  for (const char c : value.substr(0, value.find('\0'))) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>' && !in_attribute) {
      out += "&gt;";
    } else if (c == '"' && in_attribute) {
      out += "&quot;";
    } else if (byte < 32 && (in_attribute || (c != '\t' && c != '\n' && c != '\r'))) {
      out += "&#";
      out += static_cast<char>('0' + byte / 10);
      out += static_cast<char>('0' + byte % 10);
      out += ';';
    } else {
      out += c;
    }
  }
}

void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendEscaped(out, value, true);
  out += '"';
}

void AppendElement(std::string& out, std::string_view name, std::string_view value) {
  out += '<';
  out += name;
  out += '>';
  AppendEscaped(out, value, false);
  out += "</";
  out += name;
  out += '>';
}

void AppendVersion(std::string& out, const CatalogVersion& version, std::int64_t program_id) {
  out += "<Version>";
  AppendElement(out, "str_versionsname", version.name);
  AppendElement(out, "int_version", std::to_string(version.id));
  AppendElement(out, "fk_int_programm", std::to_string(program_id));
  AppendElement(out, "int_trusted", version.confirmed ? "1" : "0");
  AppendElement(out, "int_published", "1");
  const auto numbers = VersionComparison::Numbers(version.name);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    AppendElement(out, "int_version_" + std::to_string(i + 1), std::to_string(numbers[i]));
  }
  out += "</Version>";
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
  // The release key's signature, which clients check before they start the setup: the service
  // only passes it on and cannot make one for a setup of its own.
  if (release.setup && !release.setup->signature.empty()) {
    AppendText(root, "signature", release.setup->signature);
  }
  return Text(document);
}

std::string Step1Answer(std::span<const Verdict> verdicts) {
  // Written out directly: a tree of 150 programs built only to be saved cost more than
  // judging them. The text is the one the tree would give.
  std::string text;
  text.reserve(256 + verdicts.size() * 256);
  text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?><dorvupdater>";
  if (verdicts.empty()) return text + "<ProgrammVersionliste/></dorvupdater>";
  text += "<ProgrammVersionliste>";
  for (const Verdict& verdict : verdicts) {
    text += "<Programm ID=\"";
    text += std::to_string(verdict.id);
    if (verdict.kind == Verdict::Kind::Unsupported) {
      text += "\" Status=\"unsupported\"/>";
      continue;
    }
    text += "\" Status=\"supported\"";
    AppendAttribute(text, "Hash", verdict.hash);
    AppendAttribute(text, "CurrentVersionId", std::to_string(verdict.current_version_id));
    AppendAttribute(text, "str_hersteller", verdict.vendor);
    AppendAttribute(text, "str_homepage", verdict.homepage);
    if (verdict.newer.empty()) {
      text += "/>";
      continue;
    }
    text += '>';
    for (const CatalogVersion& version : verdict.newer) {
      AppendVersion(text, version, verdict.program_id);
    }
    text += "</Programm>";
  }
  text += "</ProgrammVersionliste></dorvupdater>";
  return text;
}

std::string ErrorAnswer(int http_status, std::string_view message) {
  pugi::xml_document document;
  pugi::xml_node root = Root(document, "error");
  root.append_attribute("status").set_value(http_status);
  root.text().set(std::string(message).c_str());
  return Text(document);
}

}  // namespace lintrove::service
