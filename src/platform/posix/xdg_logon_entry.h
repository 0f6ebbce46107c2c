#pragma once

#include <filesystem>
#include <string>

#include "platform/logon_entry.h"

namespace lintrove::platform {

// The log-on entry as an XDG autostart file, <directory>/<name>.desktop. An entry the desktop
// has switched off (Hidden=true, X-GNOME-Autostart-enabled=false) counts as absent, as a Run
// value the user deleted does on Windows.
class XdgLogonEntry final : public LogonEntry {
 public:
  // Without a directory, DefaultAutostartDirectory() is looked up anew on every use.
  explicit XdgLogonEntry(std::string name, std::filesystem::path autostartDirectory = {});

  std::filesystem::path FilePath() const;
  bool Exists() const override;
  // Replaces the file as a whole (a temporary file renamed into place).
  void Write(const LogonCommand& command) override;
  void Remove() override;

 private:
  std::string name_;
  std::filesystem::path directory_;
};

// $XDG_CONFIG_HOME/autostart when that is an absolute path, else ~/.config/autostart.
std::filesystem::path DefaultAutostartDirectory();

// The value of an Exec key that runs the command: arguments quoted by the Desktop Entry rules
// where they need it, then escaped as a desktop-file string.
std::string DesktopExecValue(const LogonCommand& command);

}  // namespace lintrove::platform
