#include "protocol/test_update_service.h"

#include <pugixml.hpp>

#include <sstream>

namespace lintrove::test {
namespace {

std::string ProgramName(pugi::xml_node program) {
  for (const char* property : {"DisplayName", "ProductName", "InstalledProductName"}) {
    if (const char* name = program.child(property).child_value(); *name != '\0') return name;
  }
  return {};
}

// "2.1.7" gives the numeric parts 2, 1, 7, 0, 0.
void AppendVersion(pugi::xml_node versions, const std::string& name, int id) {
  pugi::xml_node version = versions.append_child("Version");
  version.append_child("str_versionsname").text().set(name.c_str());
  version.append_child("int_version").text().set(id);
  std::istringstream parts(name);
  std::string part;
  for (int i = 1; i <= 5; ++i) {
    const int number = std::getline(parts, part, '.') ? std::atoi(part.c_str()) : 0;
    version.append_child(("int_version_" + std::to_string(i)).c_str()).text().set(number);
  }
}

}  // namespace

TestUpdateService::TestUpdateService(Catalog catalog, std::string client_version)
    : catalog_(std::move(catalog)),
      client_version_(std::move(client_version)),
      server_([this](const httplib::Request& request, httplib::Response& response) {
        response.set_content(Answer(request.body), "text/xml; charset=UTF-8");
      }) {}

std::vector<std::string> TestUpdateService::Commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::vector<std::string> TestUpdateService::ProgramsSent() const {
  std::lock_guard lock(mutex_);
  return programs_sent_;
}

std::map<std::string, std::string> TestUpdateService::ClientOf(const std::string& command) const {
  std::lock_guard lock(mutex_);
  const auto client = clients_.find(command);
  return client == clients_.end() ? std::map<std::string, std::string>() : client->second;
}

std::string TestUpdateService::Answer(const std::string& request_text) {
  pugi::xml_document request;
  request.load_string(request_text.c_str());
  const std::string command =
      request.select_node("/dorvupdater/Command/str_command").node().child_value();
  std::lock_guard lock(mutex_);
  commands_.push_back(command);
  auto& client = clients_[command];
  client.clear();
  for (pugi::xml_attribute attribute :
       request.select_node("/dorvupdater/Client").node().attributes()) {
    client[attribute.name()] = attribute.value();
  }

  pugi::xml_document answer;
  pugi::xml_node root = answer.append_child("dorvupdater");
  if (command == "noop") {
    root.append_child("status").text().set("ok");
  } else if (command == "updatecheck") {
    root.append_child("currentversion").text().set(client_version_.c_str());
    root.append_child("downloadurl").text().set("https://example.org/lintrove-setup.exe");
    root.append_child("forceupdate").text().set("false");
    root.append_child("infopage").text().set("https://example.org/lintrove-news");
  } else if (command == "step1") {
    programs_sent_.clear();
    pugi::xml_node verdicts = root.append_child("ProgrammVersionliste");
    for (pugi::xml_node program : request.select_node("/dorvupdater/Programme").node().children()) {
      const std::string name = ProgramName(program);
      programs_sent_.push_back(name);
      pugi::xml_node verdict = verdicts.append_child("Programm");
      const int id = program.attribute("ID").as_int();
      verdict.append_attribute("ID").set_value(id);
      const auto known = catalog_.find(name);
      if (known == catalog_.end()) {
        verdict.append_attribute("Status").set_value("unknown");
        continue;
      }
      verdict.append_attribute("Status").set_value("supported");
      verdict.append_attribute("Hash").set_value(("hash-" + name).c_str());
      verdict.append_attribute("CurrentVersionId").set_value(1000 + id);
      verdict.append_attribute("str_hersteller").set_value(("Vendor of " + name).c_str());
      verdict.append_attribute("str_homepage").set_value("https://example.org/");
      int version_id = 2000;
      for (const std::string& version : known->second)
        AppendVersion(verdict, version, version_id++);
    }
  }
  std::ostringstream text;
  answer.save(text, "", pugi::format_raw);
  return text.str();
}

}  // namespace lintrove::test
