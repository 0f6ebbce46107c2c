#include "command_line.h"

#include <algorithm>
#include <istream>
#include <ostream>

#include "base/text.h"

namespace lintrove::cli {
namespace {

std::string Lower(std::string_view text) {
  std::string result(text);
  std::ranges::transform(result, result.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  });
  return result;
}

}  // namespace

Switches::Switches(std::span<const std::string> args,
                   std::initializer_list<std::string_view> spec) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) {
      throw UsageError("unexpected argument '" + arg + "'");
    }
    std::string name = Lower(std::string_view(arg).substr(1));
    auto accepted = std::ranges::find_if(spec, [&](std::string_view entry) {
      return entry == name || (entry.ends_with(':') && entry.substr(0, entry.size() - 1) == name);
    });
    if (accepted == spec.end()) throw UsageError("unknown switch '" + arg + "'");
    if (values_.contains(name)) throw UsageError("switch '" + arg + "' given twice");
    std::string value;
    if (accepted->ends_with(':')) {
      if (i + 1 >= args.size()) throw UsageError("switch '" + arg + "' needs a value");
      value = args[++i];
      RequireUtf8Text(value);
    }
    values_.emplace(std::move(name), std::move(value));
  }
}

std::optional<std::string> Switches::Value(std::string_view name) const {
  auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

void RequireUtf8Text(std::string_view argument) {
  if (!IsValidUtf8(argument)) {
    throw UsageError("argument is not valid UTF-8 text: '" + Utf16ToUtf8(Utf8ToUtf16(argument)) +
                     "'");
  }
}

bool Confirm(CommandContext& context, std::string_view question) {
  if (!context.interactive) return false;
  context.out << question << " (Yes/No)? " << std::flush;
  std::string answer;
  if (!std::getline(context.in, answer)) return false;
  answer = Lower(answer);
  return answer == "y" || answer == "yes";
}

}  // namespace lintrove::cli
