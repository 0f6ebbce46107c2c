#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/reflection.h"
#include "inventory/program.h"

namespace lintrove {

// The service's verdict on a program; also the index of its status image.
enum class ProgramStatus : std::uint8_t {
  Unknown = 0,
  Unsupported = 1,
  Current = 2,
  NewVersion = 3,
};

// One version the service knows of a program.
class OfferedVersion : public PublishedClass<OfferedVersion> {
 public:
  static constexpr std::string_view kClassName = "TVersion";

  std::string str_versionsname;
  std::int32_t int_version = 0;  // the service's identifier of the version
  std::int32_t fk_int_programm = 0;
  std::int32_t int_trusted = 0;
  std::int32_t int_published = 0;
  // The numeric parts, the sort key of the versions list.
  std::int32_t int_version_1 = 0;
  std::int32_t int_version_2 = 0;
  std::int32_t int_version_3 = 0;
  std::int32_t int_version_4 = 0;
  std::int32_t int_version_5 = 0;

  static constexpr std::array kPublished{
      Publish<&OfferedVersion::str_versionsname>("str_versionsname", PropertyKind::WideText),
      Publish<&OfferedVersion::int_version>("int_version"),
      Publish<&OfferedVersion::fk_int_programm>("fk_int_programm"),
      Publish<&OfferedVersion::int_trusted>("int_trusted"),
      Publish<&OfferedVersion::int_published>("int_published"),
      Publish<&OfferedVersion::int_version_1>("int_version_1"),
      Publish<&OfferedVersion::int_version_2>("int_version_2"),
      Publish<&OfferedVersion::int_version_3>("int_version_3"),
      Publish<&OfferedVersion::int_version_4>("int_version_4"),
      Publish<&OfferedVersion::int_version_5>("int_version_5"),
  };
};

using VersionList = OwningList<OfferedVersion>;

// The record of one scanned program: the program itself, the service's verdict on it and the
// versions the service offers.
class ProgramVerdict {
 public:
  std::unique_ptr<Program> program;
  VersionList versions;  // the newer versions offered, in answer order
  ProgramStatus status = ProgramStatus::Unknown;
  // Of the current version only int_version is known.
  std::unique_ptr<OfferedVersion> current_version;
  std::string hash;      // passed back to the service in the feedback page address, never checked
  std::string vendor;    // str_hersteller of the answer
  std::string homepage;  // str_homepage of the answer

  // Always the inventory's name: the service names no program.
  std::string DisplayName() const;
  // The service's home page when it named one, else the program's own.
  std::string Homepage() const;
};

using VerdictList = OwningList<ProgramVerdict>;

// The order of the program list: by display name, byte by byte (case-sensitive, unsigned), a
// prefix first; equal names keep their order.
void SortByDisplayName(std::vector<const ProgramVerdict*>& entries);

}  // namespace lintrove
