#include "flows/check_record_file.h"

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "flows/file_beside.h"

namespace lintrove {
namespace {

std::string_view Ending(CheckRecordFormat format) {
  return format == CheckRecordFormat::Csv ? ".csv" : ".json";
}

}  // namespace

std::string FormatCheckRecord(const CheckRecord& record, CheckRecordFormat format) {
  return format == CheckRecordFormat::Csv ? FormatCheckRecordCsv(record)
                                          : FormatCheckRecordJson(record);
}

CheckRecordFile CheckRecordFileFor(std::filesystem::path name, CheckRecordFormat chosen) {
  const std::string extension = name.extension().string();
  for (const CheckRecordFormat format : {CheckRecordFormat::Csv, CheckRecordFormat::Json}) {
    if (EqualsIgnoringAsciiCase(extension, Ending(format))) return {std::move(name), format};
  }
  name += Ending(chosen);
  return {std::move(name), chosen};
}

std::filesystem::path ExportCheckRecord(const CheckRecord& record,
                                        const std::filesystem::path& name,
                                        CheckRecordFormat chosen) {
  const CheckRecordFile file = CheckRecordFileFor(name, chosen);
  try {
    ReplaceFileContents(file.path, FormatCheckRecord(record, file.format));
  } catch (const Error& error) {
    throw Error(Format(LoadResString(ResString::CheckNotExported), error.what()));
  }
  return file.path;
}

}  // namespace lintrove
