#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/verdict_records.h"

namespace lintrove {

// What the feedback page's address takes from the settings and the user's locale.
struct FeedbackPageSettings {
  bool ssl = true;               // bol_ssl
  std::string_view service_url;  // StrFeedBackServiceUrl: host and path, no scheme
  std::string_view client_guid;  // ClientGuid, braced
  std::uint32_t lcid = 0;        // the user's locale, printed in decimal
};

// Whether the details offer the service's feedback page on the program: once the service has
// judged it and named its installed version. An unsupported program the service never knew has
// no version and no hash, so a page would not know which program it is about.
bool OffersFeedbackPage(const ProgramVerdict& verdict);

// The address of the service's feedback page on the program, none where OffersFeedbackPage is
// false:
//   http[s]://<service_url>?lcid=<lcid>&vid=<version id>&hash=<hash>&cid=<client GUID>
// The version identifier is printed as an unsigned 32-bit number. The hash comes from the
// service and the GUID from the registry, so both are percent-encoded but for the unreserved
// characters: a value holding "&", "#", "%" or a blank cannot add parameters or end the query,
// and the hexadecimal hashes the service hands out stay as they are.
std::optional<std::string> FeedbackPageAddress(const ProgramVerdict& verdict,
                                               const FeedbackPageSettings& settings);

}  // namespace lintrove
