#pragma once

#include <cstddef>
#include <string_view>

#include "inventory/program.h"
#include "platform/installer_database.h"

namespace lintrove {

// The products the Windows Installer knows, each with its product properties as text.
class InstallerFinder : public ProgramFinder {
 public:
  static constexpr std::string_view Technology = "Windows Installer";
  // The value buffer's size as the installer counts it: longer values do not fit and stay empty.
  static constexpr std::size_t ValueBufferSize = 2048;

  explicit InstallerFinder(
      platform::InstallerDatabase& installer = platform::SystemInstallerDatabase());

  // Also read UpgradeCode, ARPCONTACT and ARPCOMMENTS from each product's own database.
  bool extended_info = false;

  void Find(ProgramList& list) override;

 private:
  platform::InstallerDatabase& installer_;
};

}  // namespace lintrove
