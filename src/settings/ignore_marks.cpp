#include "settings/ignore_marks.h"

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "settings/registry_persistent_settings.h"

namespace lintrove {

IgnoreMarks::IgnoreMarks(platform::RegistryBackend& backend)
    : registry_(platform::RootKey::CurrentUser, platform::RegistryView::Default, backend) {
  registry_.OpenKeyReadOnly(IgnoreKey);
}

bool IgnoreMarks::IsIgnored(std::string_view identifier) const {
  return registry_.HasCurrentKey() && registry_.ValueExists(identifier);
}

std::vector<std::string> IgnoreMarks::Identifiers() const {
  if (!registry_.HasCurrentKey()) return {};
  return registry_.GetValueNames();
}

void IgnoreMarks::SetIgnored(std::string_view identifier, bool ignored,
                             platform::RegistryBackend& backend) {
  platform::Registry registry(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                              backend);
  if (!registry.OpenKey(IgnoreKey, true)) {
    throw Error(Format(LoadResString(ResString::RegistrySetDataFailed), identifier));
  }
  if (ignored) {
    registry.WriteInteger(identifier, 1);
  } else {
    registry.DeleteValue(identifier);
  }
  registry.CloseKey();
}

}  // namespace lintrove
