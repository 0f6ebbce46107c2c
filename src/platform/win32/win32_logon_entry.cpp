#include "platform/logon_entry.h"
#include "platform/registry.h"
#include "platform/run_value_logon_entry.h"

namespace lintrove::platform {

LogonEntry& SystemLogonEntry() {
  static RunValueLogonEntry entry(SystemRegistry(), "lintrove");
  return entry;
}

}  // namespace lintrove::platform
