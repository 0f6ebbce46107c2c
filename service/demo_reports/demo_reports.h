#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace lintrove::demo {

// The step1 request of one simulated client machine.
struct DemoReport {
  std::string file_name;  // "client-01.xml"
  std::string document;
};

// The reports of the simulated machines that teach the demo catalog: each has the programs of
// the demo machine in `registry`, some in newer versions, some in older ones, some not at all,
// a few in a pre-release or the next major version. Which program gets what follows from its
// identifier alone, so the reports are the same on every run.
//
// Checked against a catalog learnt from them (threshold 3), the demo machine sees every
// verdict: programs that only one machine shares are unsupported; programs whose newer
// release three or more machines report have a new version (a new major version only for a
// client that asks for upgrades); programs whose only newer version is a pre-release are
// current for a client that does not ask for betas; the rest are current.
std::vector<DemoReport> MakeDemoReports(platform::RegistryBackend& registry);

}  // namespace lintrove::demo
