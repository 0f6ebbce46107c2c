#include "settings/registry_persistent_settings.h"

namespace lintrove {

RegistryPersistentSettings::RegistryPersistentSettings(platform::RootKey root,
                                                       platform::RegistryBackend& backend)
    : root_(root), backend_(backend) {}

void RegistryPersistentSettings::LoadCustom(platform::Registry&) {}

void RegistryPersistentSettings::SaveCustom(platform::Registry&) {}

void RegistryPersistentSettings::Load() {
  platform::Registry registry(root_, platform::RegistryView::Default, backend_);
  // Without the key the registry has no current key, no value exists, and the defaults stay.
  registry.OpenKeyReadOnly(SettingsKey);
  LoadProperties(*this, registry);
  LoadCustom(registry);
  registry.CloseKey();
}

void RegistryPersistentSettings::Save() {
  platform::Registry registry(root_, platform::RegistryView::Default, backend_);
  // When the key cannot be created, the first write reports it, naming the value.
  registry.OpenKey(SettingsKey, true);
  SaveProperties(*this, registry);
  SaveCustom(registry);
  registry.CloseKey();
}

void RegistryPersistentSettings::LoadProperties(Published& instance,
                                                const platform::Registry& registry) {
  for (const PropertyInfo* property : instance.PublishedClassInfo().Properties()) {
    const std::string_view name = property->Name();
    if (!property->IsWritable() || !registry.ValueExists(name)) continue;
    switch (property->Kind()) {
      case PropertyKind::Integer:
        property->SetInteger(instance, registry.ReadInteger(name));
        break;
      case PropertyKind::Boolean:
        property->SetBoolean(instance, registry.ReadInteger(name) != 0);
        break;
      case PropertyKind::Float:
        property->SetFloat(instance, registry.ReadFloat(name));
        break;
      case PropertyKind::NarrowText:
        property->SetText(instance, registry.ReadString(name));
        break;
      case PropertyKind::WideText:
      case PropertyKind::Enumeration:
      case PropertyKind::Object:
        break;
    }
  }
}

void RegistryPersistentSettings::SaveProperties(const Published& instance,
                                                platform::Registry& registry) {
  for (const PropertyInfo* property : instance.PublishedClassInfo().Properties()) {
    const std::string_view name = property->Name();
    switch (property->Kind()) {
      case PropertyKind::Integer:
        registry.WriteInteger(name, property->GetInteger(instance));
        break;
      case PropertyKind::Boolean:
        registry.WriteInteger(name, property->GetBoolean(instance) ? 1 : 0);
        break;
      case PropertyKind::Float:
        registry.WriteFloat(name, property->GetFloat(instance));
        break;
      case PropertyKind::NarrowText:
        registry.WriteString(name, property->GetText(instance));
        break;
      case PropertyKind::WideText:
      case PropertyKind::Enumeration:
      case PropertyKind::Object:
        break;
    }
  }
}

}  // namespace lintrove
