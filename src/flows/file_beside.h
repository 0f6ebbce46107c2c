#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

namespace lintrove {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

// A new file beside `target`, of a name no one has used: never one that exists already, nor a
// link someone placed there. Its name goes to `created`. Throws Error naming it when none can be
// made.
File CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& created);

// Deletes the temporary file on every way out unless it was renamed (path cleared).
struct TemporaryFile {
  std::filesystem::path path;
  ~TemporaryFile();
};

// Writes `bytes` as the file `target`: first under a temporary name beside it, which replaces
// the target only once it is complete, so that a failed write leaves an existing file as it was.
// Throws Error with the system's reason, naming the file.
void ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes);

}  // namespace lintrove
