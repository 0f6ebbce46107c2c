#pragma once

#include <utility>

namespace lintrove::platform {

// Whether a registry file read before must be looked at again for changes on disk: at every
// use, except while the registry's state is held (RegistryBackend::HoldState), when once is
// enough.
class FreshnessCheck {
 public:
  bool Due() { return holds_ == 0 || !std::exchange(checkedWhileHeld_, true); }
  void Hold() { ++holds_; }
  void Release() {
    if (--holds_ == 0) checkedWhileHeld_ = false;
  }

 private:
  int holds_ = 0;
  bool checkedWhileHeld_ = false;
};

}  // namespace lintrove::platform
