#include "platform/posix/xdg_logon_entry.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"
#include "platform/posix/user_account.h"

namespace lintrove::platform {
namespace {

// Characters that oblige the Desktop Entry specification to quote an argument.
bool NeedsQuoting(std::string_view argument) {
  return argument.empty() ||
         argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
}

std::string QuoteArgument(std::string_view argument) {
  if (!NeedsQuoting(argument)) return std::string(argument);
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

// Field codes start with "%"; a literal one is doubled. Then the value is a desktop-file string,
// whose own escapes come on top of the quoting.
std::string EscapeStringValue(std::string_view value) {
  std::string escaped;
  for (char c : value) {
    switch (c) {
      case '%':
        escaped += "%%";
        break;
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

bool IsSwitchedOff(std::istream& file) {
  bool inMainGroup = false;
  for (std::string line; std::getline(file, line);) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.starts_with('[')) {
      inMainGroup = trimmed == "[Desktop Entry]";
      continue;
    }
    const std::size_t equals = trimmed.find('=');
    if (!inMainGroup || equals == std::string_view::npos) continue;
    const std::string_view key = Trim(trimmed.substr(0, equals));
    const std::string_view value = Trim(trimmed.substr(equals + 1));
    if ((key == "Hidden" && value == "true") ||
        (key == "X-GNOME-Autostart-enabled" && value == "false")) {
      return true;
    }
  }
  return false;
}

[[noreturn]] void ThrowWriteFailed(const std::filesystem::path& path, std::string_view reason) {
  throw Error(Format(LoadResString(ResString::LogonEntryWriteFailed), path.string(), reason));
}

}  // namespace

std::filesystem::path DefaultAutostartDirectory() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && std::filesystem::path(configHome).is_absolute()) {
    return std::filesystem::path(configHome) / "autostart";
  }
  return HomeDirectory() / ".config" / "autostart";
}

std::string DesktopExecValue(const LogonCommand& command) {
  std::string line = QuoteArgument(command.program);
  for (const std::string& argument : command.arguments) {
    line += ' ';
    line += QuoteArgument(argument);
  }
  return EscapeStringValue(line);
}

XdgLogonEntry::XdgLogonEntry(std::string name, std::filesystem::path autostartDirectory)
    : name_(std::move(name)), directory_(std::move(autostartDirectory)) {}

std::filesystem::path XdgLogonEntry::FilePath() const {
  return (directory_.empty() ? DefaultAutostartDirectory() : directory_) / (name_ + ".desktop");
}

bool XdgLogonEntry::Exists() const {
  std::ifstream file(FilePath());
  return file.is_open() && !IsSwitchedOff(file);
}

void XdgLogonEntry::Write(const LogonCommand& command) {
  const std::filesystem::path path = FilePath();
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (error) ThrowWriteFailed(path, error.message());

  std::ostringstream content;
  content << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=Lintrove\n"
          << "Exec=" << DesktopExecValue(command) << "\n"
          << "Terminal=false\n"
          << "X-GNOME-Autostart-enabled=true\n";
  const std::string text = content.str();

  std::string temporary = path.string() + ".XXXXXX";
  const int descriptor = mkstemp(temporary.data());
  if (descriptor < 0) ThrowWriteFailed(path, std::strerror(errno));
  const bool written =
      ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  const int writeErrno = errno;
  const bool closed = ::close(descriptor) == 0;
  if (!written || !closed) {
    std::remove(temporary.c_str());
    ThrowWriteFailed(path, std::strerror(written ? errno : writeErrno));
  }
  // mkstemp makes the file private; an autostart file is as readable as any other config file.
  ::chmod(temporary.c_str(), 0644);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int renameErrno = errno;
    std::remove(temporary.c_str());
    ThrowWriteFailed(path, std::strerror(renameErrno));
  }
}

void XdgLogonEntry::Remove() {
  std::error_code ignored;
  std::filesystem::remove(FilePath(), ignored);
}

LogonEntry& SystemLogonEntry() {
  static XdgLogonEntry entry("lintrove");
  return entry;
}

}  // namespace lintrove::platform
