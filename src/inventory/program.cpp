#include "inventory/program.h"

namespace lintrove {
namespace {

// Windows Installer's own program, whose icon stands for every program that shows none.
constexpr std::string_view kInstallerIconLocation = "%windir%\\system32\\msiexec.exe";

}  // namespace

const ProgramIcon& Program::GetIcon(const platform::MachineFiles& machine) const {
  if (!icon_) icon_ = LoadIcon(machine);
  if (!icon_) icon_ = IconFromLocation(kInstallerIconLocation, machine);
  if (!icon_) icon_ = QuestionMarkIcon();
  return *icon_;
}

void ProgramFinder::ReportProgress(std::string_view technology, std::string_view name,
                                   std::int32_t position, std::int32_t total) const {
  lintrove::ReportProgress(progress, {technology, name, position, total});
}

}  // namespace lintrove
