#include "inventory/registry_finder.h"

#include <unordered_set>

#include "base/text.h"
#include "inventory/installer_program.h"
#include "inventory/platform_facts.h"
#include "inventory/registry_program.h"

namespace lintrove {
namespace {

using platform::RegistryView;
namespace RegType = platform::RegType;

// The product names of the installer programs in a list, for the duplicate test of every entry
// of a pass; the list gains only registry programs while the pass runs.
class InstallerProductNames {
 public:
  explicit InstallerProductNames(const ProgramList& list) {
    for (int i = 0; i < list.Count(); ++i) {
      if (auto* product = dynamic_cast<const InstallerProgram*>(&list.Items(i))) {
        names_.insert(product->ProductName);
      }
    }
  }
  bool Contains(std::string_view name) const { return names_.contains(std::string(name)); }

 private:
  std::unordered_set<std::string> names_;
};

std::string DisplayNameOf(const platform::Registry& key) {
  auto type = key.GetDataType("DisplayName");
  if (type != RegType::Sz && type != RegType::ExpandSz) return {};
  return key.ReadString("DisplayName");
}

// The rules in their order: installer entries, system components, entries that cannot be
// uninstalled or have no name, updates of a parent entry, products the installer finder has.
bool IsSkipped(const platform::Registry& key, std::string_view trimmedName,
               const InstallerProductNames& installerProducts) {
  return key.ValueExists("WindowsInstaller") || key.ValueExists("SystemComponent") ||
         !key.ValueExists("UninstallString") || trimmedName.empty() ||
         key.ValueExists("ParentKeyName") || key.ValueExists("ParentDisplayName") ||
         installerProducts.Contains(trimmedName);
}

// The programs' properties carry the names of the values they are read from.
const std::array<const PropertyInfo*, RegistryFinder::UninstallValueNames.size()>&
ValueProperties() {
  static const auto properties = [] {
    std::array<const PropertyInfo*, RegistryFinder::UninstallValueNames.size()> found{};
    for (std::size_t i = 0; i < found.size(); ++i) {
      found[i] =
          RegistryProgram::StaticClassInfo().FindProperty(RegistryFinder::UninstallValueNames[i]);
    }
    return found;
  }();
  return properties;
}

}  // namespace

RegistryFinder::RegistryFinder(platform::RegistryBackend& registry) : registry_(registry) {}

void RegistryFinder::Find(ProgramList& list) {
  // Named explicitly, so that a 64-bit build, whose default view is the 64-bit one, finds the
  // 32-bit programs as well.
  if (IsWindows64(registry_)) {
    ScanView(list, RegistryView::Wow64_32);
    ScanView(list, RegistryView::Wow64_64);
  } else {
    ScanView(list, RegistryView::Default);
  }
}

void RegistryFinder::ScanView(ProgramList& list, platform::RegistryView view) {
  platform::Registry registry(platform::RootKey::LocalMachine, view, registry_);
  registry.OpenKeyReadOnly(UninstallKey);
  const std::vector<std::string> names = registry.GetKeyNames();
  registry.CloseKey();

  const InstallerProductNames installerProducts(list);
  const auto total = static_cast<std::int32_t>(names.size());
  for (std::int32_t i = 0; i < total; ++i) {
    const std::string& name = names[static_cast<std::size_t>(i)];
    // A subkey that cannot be opened has no UninstallString and is skipped.
    registry.OpenKeyReadOnly(std::string(UninstallKey) + name + "\\");
    const std::string displayName = DisplayNameOf(registry);
    if (IsSkipped(registry, Trim(displayName), installerProducts)) continue;

    auto program = std::make_unique<RegistryProgram>();
    program->RegistryKey = name;
    for (std::size_t v = 0; v < UninstallValueNames.size(); ++v) {
      // An absent value has no text either.
      ValueProperties()[v]->SetText(*program, ReadValueAsText(registry, UninstallValueNames[v]));
    }
    ReportProgress(Technology, program->DisplayName, i, total);
    list.Add(std::move(program));
  }
  registry.CloseKey();
}

std::string RegistryFinder::ReadValueAsText(const platform::Registry& registry,
                                            std::string_view name) {
  switch (registry.GetDataType(name).value_or(RegType::None)) {
    case RegType::Sz:
    case RegType::ExpandSz:
      return registry.ReadString(name);
    case RegType::Dword:
      return std::to_string(registry.ReadInteger(name));
    default:
      return {};
  }
}

bool RegistryFinder::IsInstallerProduct(const ProgramList& list, std::string_view name) {
  return InstallerProductNames(list).Contains(name);
}

}  // namespace lintrove
