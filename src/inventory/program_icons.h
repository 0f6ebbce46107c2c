#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine_files.h"

namespace lintrove {

// A program's icon as the bytes of an .ico file: an icon directory and its images (BMP or PNG
// data), the form Windows and Qt's "ico" image reader load.
class ProgramIcon {
 public:
  explicit ProgramIcon(std::vector<std::uint8_t> ico) : ico_(std::move(ico)) {}
  const std::vector<std::uint8_t>& IcoBytes() const { return ico_; }

 private:
  std::vector<std::uint8_t> ico_;
};

// Programs name their icons as the registry's DisplayIcon and the installer's ProductIcon do: a
// file path, optionally followed by a comma and an icon index. These functions give none for
// anything they cannot use and never report why: a program without a usable icon gets another.

// text with every %NAME% reference to a variable of the machine's environment replaced by its
// value; a reference to an undefined variable stays as written.
std::string ExpandEnvironment(
    std::string_view text, const platform::MachineFiles& machine = platform::SystemMachineFiles());

// The icon at index of an executable or library (for 0 and up the position among its icon
// groups, for a negative index the group whose resource number is its magnitude) or of an .ico
// file (index 0 only). One leading double quote is removed from path, and then a double quote
// that ends it; none when path names no file or the file holds no such icon.
std::unique_ptr<ProgramIcon> IconFromFile(
    std::string_view path, std::int32_t index,
    const platform::MachineFiles& machine = platform::SystemMachineFiles());

// The icon of a location text: expanded first; then split at its last comma into the path and
// the index, which must be a 32-bit integer (blanks before it and a sign allowed, hexadecimal
// after "$" or "0x"), else there is no icon; without a comma, icon 0 of the whole text.
std::unique_ptr<ProgramIcon> IconFromLocation(
    std::string_view location,
    const platform::MachineFiles& machine = platform::SystemMachineFiles());

// The icon every program falls back to: a black question mark on a transparent background, in
// 16 and 32 pixels. Built into the program.
std::unique_ptr<ProgramIcon> QuestionMarkIcon();
std::span<const std::uint8_t> QuestionMarkIcoBytes();

}  // namespace lintrove
