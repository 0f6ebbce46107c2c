#include "release.h"

#include <fstream>

#include <nlohmann/json.hpp>

#include "base/error.h"

namespace lintrove::service {

Release LoadRelease(const std::filesystem::path& directory) {
  const std::filesystem::path file = directory / "release.json";
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Error("Cannot read " + file.string());
  Release release;
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
      } else {
        throw Error("unknown member \"" + name + "\"");
      }
    }
  } catch (const std::exception& error) {
    throw Error(file.string() + ": " + error.what());
  }
  return release;
}

}  // namespace lintrove::service
