#include "flows/status_filter.h"

namespace lintrove {

bool StatusFilter::Shows(ProgramStatus status) const {
  switch (status) {
    case ProgramStatus::Unknown:
      return unknown;
    case ProgramStatus::Unsupported:
      return unsupported;
    case ProgramStatus::Current:
      return current;
    case ProgramStatus::NewVersion:
      return new_version;
  }
  return false;
}

StatusFilter StatusFilter::FromSettings(const ClientSettings& settings) {
  return {.unknown = settings.bol_unknown,
          .unsupported = settings.bol_nicht_unterstuetzt,
          .current = settings.bol_uptodate,
          .new_version = settings.bol_updatesbekannt};
}

void StatusFilter::StoreIn(ClientSettings& settings) const {
  settings.bol_unknown = unknown;
  settings.bol_nicht_unterstuetzt = unsupported;
  settings.bol_uptodate = current;
  settings.bol_updatesbekannt = new_version;
}

}  // namespace lintrove
