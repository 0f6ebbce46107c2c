#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/progress.h"
#include "platform/http.h"

namespace lintrove {

// The file name a setup downloaded from `url` is saved under: the last segment of the address's
// path, the query and fragment left out and percent-escapes decoded. A name that is empty, "."
// or "..", or holds a path separator or a character Windows does not allow in file names, is
// refused with "Filename not found.", so the file never lands outside its directory.
std::string SetupFileName(std::string_view url);

// "%d von %d kByte" of a download's report: whole kilobytes of 1024 bytes, rounded down.
std::string DownloadProgressText(std::int64_t received, std::int64_t total);

// Downloads the setup at `url` into `directory` under SetupFileName(url) and returns its path.
// The file is written under a temporary name beside it and renamed only once it is complete and
// checked, so a failed, cancelled or refused download leaves nothing behind; a file of that name
// from before is replaced. With `expected_sha256` (hexadecimal, any letter case) given, a file
// with another checksum is refused. `signature` is the setup's Ed25519 signature as the service
// announces it (128 hexadecimal digits); the file is kept only when it verifies with the release
// public key built into the program, so a service that was broken into or impersonated cannot
// have a program of its own started. Without a signature nothing is downloaded.
//
// Reports go to `progress` on the thread the Http reports on (activity: the file name; position
// and total in bytes); a report answered with false cancels. Every failure, a cancel and an HTTP
// error status included, raises the download message naming the address and the reason.
std::filesystem::path DownloadSetup(platform::Http& http, const std::string& url,
                                    const std::filesystem::path& directory,
                                    std::string_view expected_sha256, std::string_view signature,
                                    ProgressObserver* progress);

// Whether `name` is a setup this system starts: an .exe or .msi on Windows, a Debian package
// elsewhere. A client never downloads, to start it, a setup of another system.
bool IsSetupForThisSystem(std::string_view name);

// Whether the service's download address names a setup this system starts. When it does not,
// the client shows the information page and says how its updates arrive instead
// (NoSetupForThisSystemText). An address without a usable file name counts as offered: the
// download refuses it with its own message.
bool OffersSetupForThisSystem(std::string_view download_url);
std::string NoSetupForThisSystemText();

}  // namespace lintrove
