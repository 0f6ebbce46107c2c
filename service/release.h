#pragma once

#include <filesystem>
#include <string>

namespace lintrove::service {

// The newest client, as the updatecheck answer announces it. Without a release the service
// names version 0.0.0.0, which no client is older than: nobody is asked to update.
struct Release {
  std::string version = "0.0.0.0";
  std::string download_url;
  bool force_update = false;
  std::string info_url;
};

// The release described by `release.json` in the release directory:
//   {"version": "1.4.1.0", "download_url": "https://…/setup.exe", "force_update": false,
//    "info_url": "https://…/news"}
// Every member is optional; unknown ones are refused, as is a directory without the file.
Release LoadRelease(const std::filesystem::path& directory);

}  // namespace lintrove::service
