#pragma once

#include <filesystem>
#include <string>

#include "flows/check_record.h"

namespace lintrove {

enum class CheckRecordFormat { Csv, Json };

std::string FormatCheckRecord(const CheckRecord& record, CheckRecordFormat format);

// Where an export goes and in which format: a name ending in ".csv" or ".json" (in any letter
// case) decides the format itself; any other name is of the format chosen and gets its ending.
struct CheckRecordFile {
  std::filesystem::path path;
  CheckRecordFormat format;
};
CheckRecordFile CheckRecordFileFor(std::filesystem::path name, CheckRecordFormat chosen);

// Writes the record to the file CheckRecordFileFor names and returns its path. The file is
// replaced only by a complete record: when the write fails, an existing file stays as it was
// and the Error says which file and why.
std::filesystem::path ExportCheckRecord(const CheckRecord& record,
                                        const std::filesystem::path& name,
                                        CheckRecordFormat chosen);

}  // namespace lintrove
