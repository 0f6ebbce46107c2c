#pragma once

#include "protocol/verdict_records.h"
#include "settings/client_settings.h"

namespace lintrove {

// Which statuses the program list shows: the four toggle buttons above it (cb_unknown,
// cb_unsupported, cb_uptodate, cb_old). The defaults are those of a first run.
struct StatusFilter {
  bool unknown = true, unsupported = false, current = false, new_version = true;

  // A status value outside the four is hidden: it cannot have come from a verdict we read.
  bool Shows(ProgramStatus status) const;

  // bol_unknown, bol_nicht_unterstuetzt, bol_uptodate, bol_updatesbekannt.
  static StatusFilter FromSettings(const ClientSettings& settings);
  void StoreIn(ClientSettings& settings) const;

  bool operator==(const StatusFilter&) const = default;
};

}  // namespace lintrove
