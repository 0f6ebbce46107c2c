#include "catalog/release.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "base/error.h"
#include "catalog/file_sha256.h"

namespace lintrove::service {

bool IsPlainReleaseName(std::string_view name) {
  return !name.empty() && name.front() != '.' && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '+' || c == '-';
  });
}

namespace {

constexpr std::size_t kSignatureSize = 64;

ReleaseSetup ReadSetup(const std::filesystem::path& directory, const std::string& name) {
  if (!IsPlainReleaseName(name)) {
    throw Error("\"setup\" must be a file name of letters, digits and . _ + -, not '" + name + "'");
  }
  const std::filesystem::path file = directory / name;
  if (!std::filesystem::is_regular_file(file)) throw Error("no setup file " + file.string());
  ReleaseSetup setup{name, std::filesystem::file_size(file), FileSha256(file), {}};
  const std::filesystem::path signature_file = directory / (name + ".sig");
  if (std::filesystem::exists(signature_file)) {
    std::ifstream in(signature_file, std::ios::binary);
    const std::string signature{std::istreambuf_iterator<char>(in), {}};
    if (signature.size() != kSignatureSize) {
      throw Error(signature_file.string() + " is not an Ed25519 signature of " +
                  std::to_string(kSignatureSize) + " bytes");
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    for (const unsigned char byte : signature) {
      setup.signature += kDigits[byte >> 4];
      setup.signature += kDigits[byte & 15];
    }
  }
  return setup;
}

// Systems as clients name them: letters, digits, "-" and "_".
bool IsSystemName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
  });
}

const ReleaseSetup* SetupFor(const Release& release, std::string_view system) {
  if (const auto own = release.system_setups.find(system); own != release.system_setups.end()) {
    return &own->second;
  }
  if (system.empty() || system.starts_with("windows-")) {
    return release.setup ? &*release.setup : nullptr;
  }
  return nullptr;
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
      } else if (name == "setups") {
        for (const auto& [system, setup] : value.items()) {
          if (!IsSystemName(system)) throw Error("\"setups\" names no system: '" + system + "'");
          release.system_setups.emplace(system, ReadSetup(directory, setup.get<std::string>()));
        }
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

std::string ReleaseSetupPath(const Release& release, const ReleaseSetup& setup) {
  return ReleaseInfoPath(release) + setup.name;
}

std::vector<const ReleaseSetup*> Release::AllSetups() const {
  std::vector<const ReleaseSetup*> all;
  if (setup) all.push_back(&*setup);
  for (const auto& [system, own] : system_setups) {
    if (std::none_of(all.begin(), all.end(),
                     [&](const ReleaseSetup* known) { return known->name == own.name; })) {
      all.push_back(&own);
    }
  }
  return all;
}

Release AnnouncedRelease(const Release& release, std::string_view base_url,
                         std::string_view system) {
  Release announced = release;
  const ReleaseSetup* chosen = SetupFor(release, system);
  announced.setup.reset();
  announced.system_setups.clear();
  if (chosen != nullptr) announced.setup = *chosen;
  // The operator's own address is that of the release's "setup"; a setup of another system is
  // served here.
  const bool mirrored = chosen != nullptr && release.setup && chosen->name == release.setup->name;
  if (!mirrored && chosen != nullptr) announced.download_url.clear();
  if (chosen == nullptr && !(system.empty() || system.starts_with("windows-"))) {
    announced.download_url.clear();
  }
  if (announced.download_url.empty() && chosen != nullptr) {
    announced.download_url = std::string(base_url) + ReleaseSetupPath(release, *chosen);
  }
  if (announced.info_url.empty() && release.directory) {
    announced.info_url = std::string(base_url) + ReleaseInfoPath(release);
  }
  return announced;
}

}  // namespace lintrove::service
