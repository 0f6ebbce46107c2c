#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/lists.h"
#include "base/progress.h"
#include "base/reflection.h"
#include "inventory/program_icons.h"
#include "platform/machine_files.h"

namespace lintrove {

namespace platform {
class Shell;
}

// An installed program as the rest of the client sees it. The subclasses carry their source's
// raw facts as published properties: with the class name, they are the program's record in the
// requests to the service, so their names, kinds and order are fixed.
class Program : public PublishedClass<Program> {
 public:
  static constexpr std::string_view kClassName = "tProgramm";

  virtual std::string GetName() const = 0;
  virtual std::string GetVersion() const = 0;
  virtual std::string GetPublisher() const = 0;
  virtual std::string GetHomepage() const = 0;
  // A new icon for the caller, or none: the icon the program's source names, from the machine's
  // files. Only GetIcon calls it.
  virtual std::unique_ptr<ProgramIcon> LoadIcon(const platform::MachineFiles& machine) const = 0;
  // The name of the program's ignore mark: the parts joined without a separator.
  virtual std::string GetIdentifier() const = 0;
  // Starts the program's uninstaller without waiting for it, and answers whether it started:
  // the caller tells the user of a start that failed, since the click would seem to have done
  // something while nothing happens. What the uninstaller does then is its own affair.
  virtual bool Uninstall(platform::Shell& shell) const = 0;

  // The program's icon, never none, made on the first call and kept by the program until it goes:
  // its own (LoadIcon), else the installer's (msiexec.exe in the machine's system folder), else
  // the built-in question mark. Every later call returns the same icon, whatever machine it
  // names. A caller that keeps the icon beyond the program copies it. Not for two threads at once.
  const ProgramIcon& GetIcon(
      const platform::MachineFiles& machine = platform::SystemMachineFiles()) const;

 protected:
  Program() = default;
  // A copy has the same facts and makes its own icon when asked: the cache is not a fact.
  Program(const Program& other) : PublishedClass<Program>(other) {}
  Program& operator=(const Program& other) {
    PublishedClass<Program>::operator=(other);
    icon_.reset();
    return *this;
  }

 private:
  // Filled on demand by a const query: the cache is not part of the program's facts.
  mutable std::unique_ptr<ProgramIcon> icon_;
};

// The programs of a scan, owned by the list until it hands them on.
using ProgramList = OwningList<Program>;
// Programs that live elsewhere, such as those of an update check: their positions are their IDs
// towards the service.
using ProgramRefList = ReferenceList<const Program>;

// A source of installed programs, used for one Find.
class ProgramFinder {
 public:
  virtual ~ProgramFinder() = default;

  // Told of each entry read: the source's label as activity ("Windows Installer",
  // "Registry"), the program's name (may be empty), the position in the source's own
  // enumeration and the number of entries there. None unless the caller sets one.
  ProgressObserver* progress = nullptr;

  // Appends the programs of this source to list, an owning list, in the source's order, after
  // what the list holds already. An error ends it; the programs appended before stay in the list.
  // An observer's cancel ends it with Cancelled.
  virtual void Find(ProgramList& list) = 0;

 protected:
  void ReportProgress(std::string_view technology, std::string_view name, std::int32_t position,
                      std::int32_t total) const;
};

}  // namespace lintrove
