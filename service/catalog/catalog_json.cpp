#include "catalog/catalog_json.h"

#include <nlohmann/json.hpp>

#include "base/error.h"
#include "catalog/text_limits.h"

namespace lintrove::service {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

std::string Member(const json& object, const char* name) {
  const auto found = object.find(name);
  return found == object.end() ? std::string() : found->get<std::string>();
}

bool Flag(const json& object, const char* name) {
  const auto found = object.find(name);
  return found != object.end() && found->get<bool>();
}

void RefuseUnknown(const json& object, std::initializer_list<std::string_view> known) {
  for (const auto& [name, value] : object.items()) {
    if (std::find(known.begin(), known.end(), name) == known.end()) {
      throw Error("unknown member \"" + name + "\"");
    }
  }
}

CatalogVersion ReadVersion(const json& object) {
  RefuseUnknown(object, {"id", "name", "clients", "confirmed", "retracted"});
  CatalogVersion version;
  version.name = Member(object, "name");
  if (version.name.empty()) throw Error("a version without a name");
  version.confirmed = Flag(object, "confirmed");
  version.retracted = Flag(object, "retracted");
  return version;
}

CatalogEntry ReadEntry(const json& object) {
  RefuseUnknown(object,
                {"identity", "name", "publisher", "homepage", "added", "clients", "versions"});
  CatalogEntry entry;
  CatalogProgram& program = entry.program;
  program.identity = Member(object, "identity");
  if (!IsCatalogIdentity(program.identity)) {
    throw Error("\"" + program.identity + "\" is not an identity of the catalog");
  }
  program.name = Member(object, "name");
  program.publisher = Member(object, "publisher");
  program.homepage = Member(object, "homepage");
  if (!program.homepage.empty() && !IsWebAddress(program.homepage)) {
    throw Error("the home page \"" + program.homepage + "\" is no http or https address");
  }
  program.added = Flag(object, "added");
  if (const auto versions = object.find("versions"); versions != object.end()) {
    for (const json& version : versions->get<json::array_t>()) {
      entry.versions.push_back(ReadVersion(version));
    }
  }
  CheckTextLengths(entry);
  return entry;
}

}  // namespace

void CheckTextLengths(const CatalogEntry& entry) {
  const auto check = [](std::string_view what, std::string_view text, std::size_t limit) {
    if (text.size() > limit) {
      throw Error(std::string(what) + " of " + std::to_string(text.size()) +
                  " bytes: the catalog keeps " + std::to_string(limit) + " at most");
    }
  };
  const CatalogProgram& program = entry.program;
  check("an identity", program.identity, TextLimits::kIdentity);
  check("a name", program.name, TextLimits::kName);
  check("a publisher", program.publisher, TextLimits::kPublisher);
  check("a home page", program.homepage, TextLimits::kHomepage);
  for (const CatalogVersion& version : entry.versions) {
    check("a version", version.name, TextLimits::kVersion);
  }
}

bool IsCatalogIdentity(std::string_view identity) {
  for (std::string_view prefix : {"registry:", "installer:"}) {
    if (identity.starts_with(prefix) && identity.size() > prefix.size()) return true;
  }
  return false;
}

bool IsWebAddress(std::string_view address) {
  return address.starts_with("https://") || address.starts_with("http://");
}

std::string CatalogToJson(const std::vector<CatalogEntry>& entries) {
  ordered_json programs = ordered_json::array();
  for (const CatalogEntry& entry : entries) {
    ordered_json versions = ordered_json::array();
    for (const CatalogVersion& version : entry.versions) {
      versions.push_back({{"id", version.id},
                          {"name", version.name},
                          {"clients", version.clients},
                          {"confirmed", version.confirmed},
                          {"retracted", version.retracted}});
    }
    const CatalogProgram& program = entry.program;
    programs.push_back({{"identity", program.identity},
                        {"name", program.name},
                        {"publisher", program.publisher},
                        {"homepage", program.homepage},
                        {"added", program.added},
                        {"clients", program.clients},
                        {"versions", std::move(versions)}});
  }
  // Texts from clients may be ill-formed UTF-8 only if the store holds such; replace rather
  // than fail the export.
  return ordered_json{{"programs", std::move(programs)}}.dump(
             2, ' ', false, ordered_json::error_handler_t::replace) +
         "\n";
}

std::vector<CatalogEntry> CatalogFromJson(std::string_view text) {
  std::vector<CatalogEntry> entries;
  try {
    const json document = json::parse(text);
    RefuseUnknown(document, {"programs"});
    std::size_t position = 0;
    for (const json& program : document.at("programs").get<json::array_t>()) {
      try {
        entries.push_back(ReadEntry(program));
      } catch (const std::exception& error) {
        throw Error("program " + std::to_string(position) + ": " + error.what());
      }
      ++position;
    }
  } catch (const json::exception& error) {
    throw Error(error.what());
  }
  return entries;
}

}  // namespace lintrove::service
