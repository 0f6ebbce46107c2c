#include "platform/posix/machine_environment.h"

#include "platform/regfile/reg_tree.h"
#include "platform/system_info.h"

namespace lintrove::platform {
namespace {

constexpr std::string_view kNtCurrentVersion = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kProfileList =
    "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kCurrentVersion = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kSystemEnvironment =
    "\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::string_view kUserEnvironment = "\\Environment";
constexpr std::string_view kVolatileEnvironment = "\\Volatile Environment";

bool IsText(std::optional<std::uint32_t> type) {
  return type == RegType::Sz || type == RegType::ExpandSz;
}

// Reads the values of the machine's keys; an expandable value is expanded with the variables
// defined so far, as Windows builds the environment in that order.
class EnvironmentBuilder {
 public:
  explicit EnvironmentBuilder(RegistryBackend& registry) : registry_(registry) {}

  // The text value, expanded; empty when the key or the value is missing or holds no text.
  std::string Value(RootKey root, std::string_view key, std::string_view name) const {
    Registry registry(root, RegistryView::Wow64_64, registry_);
    if (!registry.OpenKeyReadOnly(key)) return {};
    return TextOf(registry, name);
  }
  std::string ValueOr(RootKey root, std::string_view key, std::string_view name,
                      std::string fallback) const {
    std::string value = Value(root, key, name);
    return value.empty() ? fallback : value;
  }

  // Every text value of a key as a variable: the plain ones first, then the expandable ones,
  // which may refer to the plain ones.
  void SetAllOf(RootKey root, std::string_view key) {
    Registry registry(root, RegistryView::Wow64_64, registry_);
    if (!registry.OpenKeyReadOnly(key)) return;
    const std::vector<std::string> names = registry.GetValueNames();
    for (std::uint32_t pass : {RegType::Sz, RegType::ExpandSz}) {
      for (const std::string& name : names) {
        if (!name.empty() && registry.GetDataType(name) == pass) {
          environment_.Set(name, TextOf(registry, name));
        }
      }
    }
  }

  WindowsEnvironment& Environment() { return environment_; }

 private:
  std::string TextOf(const Registry& registry, std::string_view name) const {
    const auto type = registry.GetDataType(name);
    if (!IsText(type)) return {};
    std::string text = registry.ReadString(name);
    return type == RegType::ExpandSz ? environment_.Expand(text) : text;
  }

  RegistryBackend& registry_;
  WindowsEnvironment environment_;
};

// "C:" of "C:\Windows"; Windows' own drive when the folder names none.
std::string DriveOf(std::string_view folder) {
  if (folder.size() >= 2 && folder[1] == ':') return std::string(folder.substr(0, 2));
  return "C:";
}

}  // namespace

void WindowsEnvironment::Set(std::string_view name, std::string value) {
  values_[RegistryNameKey(name)] = std::move(value);
}

const std::string* WindowsEnvironment::Find(std::string_view name) const {
  auto found = values_.find(RegistryNameKey(name));
  return found == values_.end() ? nullptr : &found->second;
}

std::string WindowsEnvironment::Expand(std::string_view text) const {
  std::string expanded;
  std::size_t position = 0;
  while (position < text.size()) {
    const std::size_t open = text.find('%', position);
    const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      expanded.append(text.substr(position));
      break;
    }
    expanded.append(text.substr(position, open - position));
    if (const std::string* value = Find(text.substr(open + 1, close - open - 1))) {
      expanded.append(*value);
      position = close + 1;
    } else {
      expanded.append(text.substr(open, close - open));
      position = close;
    }
  }
  return expanded;
}

WindowsEnvironment ReadMachineEnvironment(RegistryBackend& registry, std::string_view user_name) {
  constexpr RootKey kMachine = RootKey::LocalMachine;
  constexpr RootKey kUser = RootKey::CurrentUser;
  EnvironmentBuilder builder(registry);
  WindowsEnvironment& environment = builder.Environment();

  const std::string system_root =
      builder.ValueOr(kMachine, kNtCurrentVersion, "SystemRoot", "C:\\Windows");
  const std::string drive = DriveOf(system_root);
  environment.Set("SystemDrive", drive);
  environment.Set("SystemRoot", system_root);
  environment.Set("windir", system_root);

  const std::string program_files =
      builder.ValueOr(kMachine, kCurrentVersion, "ProgramFilesDir", drive + "\\Program Files");
  const std::string common_files = builder.ValueOr(kMachine, kCurrentVersion, "CommonFilesDir",
                                                   program_files + "\\Common Files");
  environment.Set("ProgramFiles", program_files);
  environment.Set("CommonProgramFiles", common_files);
  // Only 64-bit Windows has a second folder for 32-bit programs.
  if (IsWindows64Machine(registry)) {
    const std::string program_files_x86 = builder.ValueOr(
        kMachine, kCurrentVersion, "ProgramFilesDir (x86)", drive + "\\Program Files (x86)");
    environment.Set("ProgramFiles(x86)", program_files_x86);
    environment.Set("CommonProgramFiles(x86)",
                    builder.ValueOr(kMachine, kCurrentVersion, "CommonFilesDir (x86)",
                                    program_files_x86 + "\\Common Files"));
    environment.Set("ProgramW6432", program_files);
    environment.Set("CommonProgramW6432", common_files);
  }

  const std::string program_data =
      builder.ValueOr(kMachine, kProfileList, "ProgramData", drive + "\\ProgramData");
  environment.Set("ProgramData", program_data);
  environment.Set("ALLUSERSPROFILE", program_data);
  const std::string recorded_user = builder.Value(kUser, kVolatileEnvironment, "USERNAME");
  const std::string user = recorded_user.empty() ? std::string(user_name) : recorded_user;
  if (!user.empty()) {
    environment.Set("USERNAME", user);
    environment.Set("USERPROFILE", builder.ValueOr(kMachine, kProfileList, "ProfilesDirectory",
                                                   drive + "\\Users") +
                                       "\\" + user);
  }

  builder.SetAllOf(kMachine, kSystemEnvironment);
  builder.SetAllOf(kUser, kUserEnvironment);
  builder.SetAllOf(kUser, kVolatileEnvironment);
  return environment;
}

}  // namespace lintrove::platform
