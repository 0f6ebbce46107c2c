#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/reflection.h"

namespace lintrove {

namespace platform {
class Shell;
}

// A program's icon as the details panel shows it. Icons are not read from program files yet:
// every program's LoadIcon gives none for now.
class ProgramIcon {
 public:
  virtual ~ProgramIcon() = default;
};

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
  // A new icon for the caller, or none.
  virtual std::unique_ptr<ProgramIcon> LoadIcon() const = 0;
  // The name of the program's ignore mark: the parts joined without a separator.
  virtual std::string GetIdentifier() const = 0;
  // Starts the program's uninstaller without waiting for it; a start that fails is not
  // reported (the user was asked before and the uninstaller shows its own dialogs).
  virtual void Uninstall(platform::Shell& shell) const = 0;
};

// The programs of a scan or of an update check, in insertion order. An owning list frees its
// programs with itself; a non-owning one refers to programs that live elsewhere.
class ProgramList {
 public:
  explicit ProgramList(bool owns_objects);
  ProgramList(const ProgramList&) = delete;
  ProgramList& operator=(const ProgramList&) = delete;

  bool OwnsObjects() const { return ownsObjects_; }

  // Appends to an owning list (which takes the program); returns the new element's index.
  int Add(std::unique_ptr<Program> program);
  // Appends to a non-owning list; the program must outlive the list.
  int Add(Program& program);

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises "Listenindex überschreitet das Maximum (%d)" for an index outside 0..Count-1.
  Program& Items(int index) const;

  // Hands the programs of an owning list to the caller, in list order, and empties the list:
  // a scan passes them on to the records that keep them. Adding to the wrong kind of list, or
  // releasing a non-owning one, is a programming error (std::logic_error).
  std::vector<std::unique_ptr<Program>> ReleaseAll();

 private:
  bool ownsObjects_;
  std::vector<Program*> items_;
  std::vector<std::unique_ptr<Program>> owned_;  // the same programs, for an owning list
};

// Reports where a finder stands: its source's label ("Windows Installer", "Registry"), the name
// of the program just read (may be empty), the position in the source's own enumeration and the
// number of entries there.
using FinderProgress =
    std::function<void(std::string_view technology, std::string_view name, std::int32_t position,
                       std::int32_t total)>;

// A source of installed programs, used for one Find.
class ProgramFinder {
 public:
  virtual ~ProgramFinder() = default;

  // Unset unless the caller sets it; an unset event is never called.
  FinderProgress OnProgress;

  // Appends the programs of this source to list, an owning list, in the source's order, after
  // what the list holds already. An error ends it; the programs appended before stay in the list.
  virtual void Find(ProgramList& list) = 0;

 protected:
  void ReportProgress(std::string_view technology, std::string_view name, std::int32_t position,
                      std::int32_t total) const;
};

}  // namespace lintrove
