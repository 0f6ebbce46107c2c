#include "release.h"

#include <algorithm>
#include <fstream>

#include <nlohmann/json.hpp>

#include "base/error.h"
#include "file_sha256.h"

namespace lintrove::service {

bool IsPlainReleaseName(std::string_view name) {
  return !name.empty() && name.front() != '.' && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '+' || c == '-';
  });
}

namespace {

ReleaseSetup ReadSetup(const std::filesystem::path& directory, const std::string& name) {
  if (!IsPlainReleaseName(name)) {
    throw Error("\"setup\" must be a file name of letters, digits and . _ + -, not '" + name + "'");
  }
  const std::filesystem::path file = directory / name;
  if (!std::filesystem::is_regular_file(file)) throw Error("no setup file " + file.string());
  return {name, std::filesystem::file_size(file), FileSha256(file)};
}

}  // namespace

Release LoadRelease(const std::filesystem::path& directory) {
  const std::filesystem::path file = directory / "release.json";
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Error("Cannot read " + file.string());
  Release release;
  release.directory = directory;
  try {
    const nlohmann::json json = nlohmann::json::parse(in);
    for (const auto& [name, value] : json.items()) {
      if (name == "version") {
        release.version = value.get<std::string>();
      } else if (name == "download_url") {
        release.download_url = value.get<std::string>();
      } else if (name == "force_update") {
        release.force_update = value.get<bool>();
      } else if (name == "info_url") {
        release.info_url = value.get<std::string>();
      } else if (name == "setup") {
        release.setup = ReadSetup(directory, value.get<std::string>());
      } else if (name == "notes") {
        release.notes = value.get<std::vector<std::string>>();
      } else {
        throw Error("unknown member \"" + name + "\"");
      }
    }
    if (!IsPlainReleaseName(release.version)) {
      throw Error("the version '" + release.version + "' cannot be part of an address");
    }
  } catch (const std::exception& error) {
    throw Error(file.string() + ": " + error.what());
  }
  return release;
}

std::string ReleaseInfoPath(const Release& release) { return "/release/" + release.version + "/"; }

std::string ReleaseSetupPath(const Release& release) {
  return ReleaseInfoPath(release) + (release.setup ? release.setup->name : std::string());
}

Release AnnouncedRelease(const Release& release, std::string_view base_url) {
  Release announced = release;
  if (announced.download_url.empty() && release.setup) {
    announced.download_url = std::string(base_url) + ReleaseSetupPath(release);
  }
  if (announced.info_url.empty() && release.directory) {
    announced.info_url = std::string(base_url) + ReleaseInfoPath(release);
  }
  return announced;
}

}  // namespace lintrove::service
