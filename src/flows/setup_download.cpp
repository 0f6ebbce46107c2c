#include "flows/setup_download.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "base/error.h"
#include "base/format.h"
#include "base/release_messages.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "flows/file_beside.h"
#include "platform/release_signature.h"
#include "platform/sha256.h"
#include "platform/system_info.h"

namespace lintrove {
namespace {

// Characters Windows refuses in a file name, besides the control characters.
constexpr std::string_view kForbiddenInNames = "<>:\"/\\|?*";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%2F" becomes "/"; a "%" not followed by two hexadecimal digits stays as it is.
std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    decoded += text[i];
  }
  return decoded;
}

// The path of an address: without scheme and host, query and fragment.
std::string_view AddressPath(std::string_view url) {
  url = url.substr(0, url.find('#'));
  url = url.substr(0, url.find('?'));
  if (const std::size_t scheme = url.find("://"); scheme != std::string_view::npos) {
    const std::size_t path = url.find('/', scheme + 3);
    return path == std::string_view::npos ? std::string_view() : url.substr(path);
  }
  return url;
}

bool IsUsableFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32 || kForbiddenInNames.find(c) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

// The signature as the service writes it: 128 hexadecimal digits, blanks around them ignored.
std::optional<platform::Ed25519Signature> ParseSignature(std::string_view text) {
  text = Trim(text);
  platform::Ed25519Signature signature{};
  if (text.size() != signature.size() * 2) return std::nullopt;
  for (std::size_t i = 0; i < signature.size(); ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    signature[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return signature;
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    throw Error(Format(LoadResString(ResString::CannotReadFile), path.string(),
                       std::generic_category().message(errno)));
  }
  return bytes;
}

}  // namespace

std::string SetupFileName(std::string_view url) {
  const std::string_view path = AddressPath(url);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) throw Error(LoadResString(ResString::SetupNameNotFound));
  const std::string name = PercentDecoded(path.substr(slash + 1));
  if (!IsUsableFileName(name)) throw Error(LoadResString(ResString::SetupNameNotFound));
  return name;
}

std::string DownloadProgressText(std::int64_t received, std::int64_t total) {
  return Format(LoadResString(ResString::DownloadProgress), received >> 10, total >> 10);
}

std::filesystem::path DownloadSetup(platform::Http& http, const std::string& url,
                                    const std::filesystem::path& directory,
                                    std::string_view expected_sha256, std::string_view signature,
                                    ProgressObserver* progress) {
  const std::string name = SetupFileName(url);
  if (Trim(signature).empty()) {
    throw Error(Format(LoadResString(ResString::SetupSignatureMissing), name));
  }
  const std::filesystem::path target = directory / name;
  TemporaryFile temporary;
  std::string actual_sha256;
  try {
    File file = CreateTemporaryBeside(target, temporary.path);
    platform::Sha256 sum;
    http.Download(
        url,
        [&](std::string_view bytes) {
          if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
            throw Error(temporary.path.string() + ": " + std::generic_category().message(errno));
          }
          sum.Add(bytes);
        },
        [&](std::uint64_t received, std::uint64_t total) {
          return progress == nullptr || progress->Report({name,
                                                          {},
                                                          static_cast<std::int64_t>(received),
                                                          static_cast<std::int64_t>(total)});
        });
    if (std::fclose(file.release()) != 0) {
      throw Error(temporary.path.string() + ": " + std::generic_category().message(errno));
    }
    actual_sha256 = sum.HexDigest();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& error) {
    throw Error(Format(LoadResString(ResString::DownloadFailed), url, error.what()));
  }
  if (!expected_sha256.empty() && !EqualsIgnoringAsciiCase(expected_sha256, actual_sha256)) {
    throw Error(Format(LoadResString(ResString::SetupChecksumMismatch), name, expected_sha256,
                       actual_sha256));
  }
  // Ed25519 signs the whole file, so the check reads it whole; a setup is tens of megabytes.
  const std::optional<platform::Ed25519Signature> parsed = ParseSignature(signature);
  if (!parsed || !platform::IsValidEd25519Signature(ReadWholeFile(temporary.path), *parsed,
                                                    platform::ReleasePublicKey())) {
    throw Error(Format(LoadResString(ResString::SetupSignatureInvalid), name));
  }
  std::error_code renamed;
  std::filesystem::rename(temporary.path, target, renamed);
  if (renamed) {
    throw Error(Format(LoadResString(ResString::DownloadFailed), url,
                       target.string() + ": " + renamed.message()));
  }
  temporary.path.clear();
  return target;
}

bool IsSetupForThisSystem(std::string_view name) {
  const auto ends_with = [name](std::string_view suffix) {
    return name.size() > suffix.size() &&
           EqualsIgnoringAsciiCase(name.substr(name.size() - suffix.size()), suffix);
  };
  if (platform::SetupSystem().starts_with("windows-")) {
    return ends_with(".exe") || ends_with(".msi");
  }
  return ends_with(".deb");
}

bool OffersSetupForThisSystem(std::string_view download_url) {
  if (download_url.empty()) return false;
  try {
    return IsSetupForThisSystem(SetupFileName(download_url));
  } catch (const Error&) {
    return true;
  }
}

std::string NoSetupForThisSystemText() {
  std::string text =
      Format(LoadResString(ResString::NoSetupForThisSystem), std::string(platform::SetupSystem()));
  if (!platform::SetupSystem().starts_with("windows-")) {
    text += "\r\n" + LoadResString(ResString::UpdatesThroughPackages);
  }
  return text;
}

}  // namespace lintrove
