#include "platform/shell.h"

namespace lintrove::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitWindowsCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i == line.size()) return args;

  std::string program;
  bool quoted = false;
  for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
    if (line[i] == '"') {
      quoted = !quoted;
    } else {
      program += line[i];
    }
  }
  args.push_back(std::move(program));

  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) break;
    std::string arg;
    quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < line.size() && line[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg += '"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          // "" inside quotes is a literal quote.
          arg += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(backslashes, '\\');
        if (i < line.size() && (quoted || !IsBlank(line[i]))) arg += line[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace lintrove::platform
