#pragma once

// The numbers of the messages about releases: a setup's signature, the setup offered to this
// system, lintrove-cli update. Their built-in texts are in resource_strings.cpp with the others.
namespace lintrove::ResString {
inline constexpr int SetupSignatureMissing = 61572;
inline constexpr int SetupSignatureInvalid = 61573;
inline constexpr int UpdatesThroughPackages = 61574;
inline constexpr int SetupSaved = 61575;
inline constexpr int ClientVersions = 61576;
inline constexpr int NoSetupForThisSystem = 61577;
}  // namespace lintrove::ResString
