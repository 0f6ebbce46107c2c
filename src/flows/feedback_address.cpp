#include "flows/feedback_address.h"

#include <cstdio>

namespace lintrove {
namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

std::string PercentEncoded(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(value.size());
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

}  // namespace

bool OffersFeedbackPage(const ProgramVerdict& verdict) {
  return verdict.status != ProgramStatus::Unknown && verdict.current_version != nullptr;
}

std::optional<std::string> FeedbackPageAddress(const ProgramVerdict& verdict,
                                               const FeedbackPageSettings& settings) {
  if (!OffersFeedbackPage(verdict)) return std::nullopt;
  const auto version_id = static_cast<std::uint32_t>(verdict.current_version->int_version);
  return std::string(settings.ssl ? "https://" : "http://") + std::string(settings.service_url) +
         "?lcid=" + std::to_string(settings.lcid) + "&vid=" + std::to_string(version_id) +
         "&hash=" + PercentEncoded(verdict.hash) + "&cid=" + PercentEncoded(settings.client_guid);
}

}  // namespace lintrove
