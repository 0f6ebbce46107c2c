#include "inventory/installer_finder.h"

#include <string>

#include "base/text.h"
#include "inventory/installer_program.h"

namespace lintrove {
namespace {

using platform::InstallerStatus;
using platform::InstallerValue;

// A property is set only by a non-empty value that fits the buffer.
void Assign(std::string& property, InstallerValue&& value) {
  if (value.status == InstallerStatus::Success && !value.text.empty()) {
    property = std::move(value.text);
  }
}

}  // namespace

InstallerFinder::InstallerFinder(platform::InstallerDatabase& installer) : installer_(installer) {}

void InstallerFinder::Find(ProgramList& list) {
  std::int32_t total = 0;
  while (installer_.EnumProducts(static_cast<std::uint32_t>(total))) ++total;

  for (std::uint32_t index = 0;; ++index) {
    auto code = installer_.EnumProducts(index);
    if (!code) break;
    const auto position = static_cast<std::int32_t>(index + 1);
    auto info = [&](std::string_view property) {
      return installer_.GetProductInfo(*code, property, ValueBufferSize);
    };

    auto program = std::make_unique<InstallerProgram>();
    program->ProduktGuid = *code;
    // A product without a version string is not installed for this machine: it keeps its
    // number in the progress, but is neither reported nor listed.
    InstallerValue versionString = info("VersionString");
    if (versionString.status != InstallerStatus::Success) continue;
    program->VersionString = std::move(versionString.text);
    Assign(program->ProductName, info("ProductName"));
    ReportProgress(Technology, program->ProductName, position, total);

    Assign(program->Language, info("Language"));
    Assign(program->PackageCode, info("PackageCode"));
    Assign(program->PackageName, info("PackageName"));
    Assign(program->Version, info("Version"));
    Assign(program->VersionMajor, info("VersionMajor"));
    Assign(program->VersionMinor, info("VersionMinor"));
    Assign(program->URLUpdateInfo, info("URLUpdateInfo"));
    Assign(program->URLInfoAbout, info("URLInfoAbout"));
    Assign(program->HelpLink, info("HelpLink"));
    Assign(program->InstallLocation, info("InstallLocation"));
    Assign(program->InstalledProductName, info("InstalledProductName"));
    Assign(program->product_icon, info("ProductIcon"));
    Assign(program->Manufacturer, info("Publisher"));

    if (extended_info) {
      if (auto product = installer_.OpenProduct(*code)) {
        Assign(program->UpgradeCode, product->GetProperty("UpgradeCode", ValueBufferSize));
        Assign(program->ARPCONTACT, product->GetProperty("ARPCONTACT", ValueBufferSize));
        Assign(program->ARPCOMMENTS, product->GetProperty("ARPCOMMENTS", ValueBufferSize));
      }
    }

    // The name alone decides, whatever InstalledProductName holds.
    if (Trim(program->ProductName).empty()) continue;
    list.Add(std::move(program));
  }
}

}  // namespace lintrove
