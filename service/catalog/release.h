#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lintrove::service {

// A setup in the release directory, which the service serves itself.
struct ReleaseSetup {
  std::string name;  // its file name in the release directory
  std::uint64_t size = 0;
  std::string sha256;  // of its bytes, small hexadecimal digits
  // Its Ed25519 signature by the release key, from "<name>.sig" beside it (the raw 64 bytes), in
  // small hexadecimal digits; empty without that file. Clients start only a signed setup.
  std::string signature;
};

// The newest client, as the updatecheck answer announces it. Without a release the service
// names version 0.0.0.0, which no client is older than: nobody is asked to update.
struct Release {
  std::string version = "0.0.0.0";
  std::string download_url;
  bool force_update = false;
  std::string info_url;
  // From the release directory only: the service serves the information page of this version
  // (with these paragraphs) and the setup.
  std::optional<std::filesystem::path> directory;
  std::vector<std::string> notes;
  // The setup for clients that do not say which system they run on (Windows clients of old),
  // and the setups by the system a client names ("windows-x86_64", "linux-x86_64", ...).
  std::optional<ReleaseSetup> setup;
  std::map<std::string, ReleaseSetup, std::less<>> system_setups;

  // Every setup the service serves, each once.
  std::vector<const ReleaseSetup*> AllSetups() const;
};

// The release described by `release.json` in the release directory:
//   {"version": "1.4.1.0", "download_url": "https://…/setup.exe", "force_update": false,
//    "info_url": "https://…/news", "setup": "lintrove-setup-1.4.1.0.exe",
//    "setups": {"windows-x86_64": "lintrove-1.4.1.0-x64.msi",
//               "linux-x86_64": "lintrove_1.4.1.0_amd64.deb"},
//    "notes": ["What is new, one paragraph per entry."]}
// Every member is optional; unknown ones are refused, as is a directory without the file, a
// setup that is not a plain file name of a file in the directory, and a version that cannot
// be part of an address.
Release LoadRelease(const std::filesystem::path& directory);

// Letters, digits and ". _ + -", not starting with a full stop: what a release's version and
// setup may be, as they become part of addresses and the setup a file name in the directory.
bool IsPlainReleaseName(std::string_view name);

// Where the service serves the release's pages, below its root: "/release/1.4.1.0/" for the
// information page, "/release/1.4.1.0/lintrove-setup.exe" for a setup.
std::string ReleaseInfoPath(const Release& release);
std::string ReleaseSetupPath(const Release& release, const ReleaseSetup& setup);

// The release as the updatecheck answer announces it to a client that reached the service at
// `base_url` ("http://host:port") and runs on `system` (empty when it did not say): the setup for
// that system; for a Windows client without one of its own, or one that did not say, the
// release's "setup"; for any other system none, so that no client is offered a setup it cannot
// start. Without addresses of their own, the information page and the setup are the service's.
Release AnnouncedRelease(const Release& release, std::string_view base_url,
                         std::string_view system);

}  // namespace lintrove::service
