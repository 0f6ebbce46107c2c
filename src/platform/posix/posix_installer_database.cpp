#include "platform/posix/posix_installer_database.h"

#include <span>

#include "base/text.h"
#include "platform/regfile/reg_tree.h"

namespace lintrove::platform {
namespace {

constexpr std::string_view kProductsKey = "SOFTWARE\\Classes\\Installer\\Products\\";
constexpr std::string_view kUpgradeCodesKey = "SOFTWARE\\Classes\\Installer\\UpgradeCodes";
constexpr std::string_view kUserDataKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\";

enum class Source { Product, SourceList, InstallProperties };

struct PropertySource {
  std::string_view property;  // the installer's name
  Source source;
  std::string_view value;  // the registry value that holds it
};

constexpr PropertySource kProductInfo[] = {
    {"ProductName", Source::Product, "ProductName"},
    {"PackageCode", Source::Product, "PackageCode"},
    {"Language", Source::Product, "Language"},
    {"Version", Source::Product, "Version"},
    {"ProductIcon", Source::Product, "ProductIcon"},
    {"AssignmentType", Source::Product, "Assignment"},
    {"Transforms", Source::Product, "Transforms"},
    {"InstanceType", Source::Product, "InstanceType"},
    {"AuthorizedLUAApp", Source::Product, "AuthorizedLUAApp"},
    {"PackageName", Source::SourceList, "PackageName"},
    {"InstalledProductName", Source::InstallProperties, "DisplayName"},
    {"VersionString", Source::InstallProperties, "DisplayVersion"},
    {"Publisher", Source::InstallProperties, "Publisher"},
    {"InstallLocation", Source::InstallProperties, "InstallLocation"},
    {"InstallSource", Source::InstallProperties, "InstallSource"},
    {"InstallDate", Source::InstallProperties, "InstallDate"},
    {"LocalPackage", Source::InstallProperties, "LocalPackage"},
    {"HelpLink", Source::InstallProperties, "HelpLink"},
    {"HelpTelephone", Source::InstallProperties, "HelpTelephone"},
    {"URLInfoAbout", Source::InstallProperties, "URLInfoAbout"},
    {"URLUpdateInfo", Source::InstallProperties, "URLUpdateInfo"},
    {"VersionMajor", Source::InstallProperties, "VersionMajor"},
    {"VersionMinor", Source::InstallProperties, "VersionMinor"},
    {"RegOwner", Source::InstallProperties, "RegOwner"},
    {"RegCompany", Source::InstallProperties, "RegCompany"},
    {"ProductID", Source::InstallProperties, "ProductID"},
};

// Properties of an opened product's database that its registration repeats.
constexpr PropertySource kProductProperties[] = {
    {"ProductName", Source::InstallProperties, "DisplayName"},
    {"ProductVersion", Source::InstallProperties, "DisplayVersion"},
    {"Manufacturer", Source::InstallProperties, "Publisher"},
    {"ARPCONTACT", Source::InstallProperties, "Contact"},
    {"ARPCOMMENTS", Source::InstallProperties, "Comments"},
    {"ARPHELPLINK", Source::InstallProperties, "HelpLink"},
    {"ARPHELPTELEPHONE", Source::InstallProperties, "HelpTelephone"},
    {"ARPURLINFOABOUT", Source::InstallProperties, "URLInfoAbout"},
    {"ARPURLUPDATEINFO", Source::InstallProperties, "URLUpdateInfo"},
    {"ProductLanguage", Source::Product, "Language"},
};

const PropertySource* FindSource(std::span<const PropertySource> table, std::string_view name) {
  for (const PropertySource& entry : table) {
    if (entry.property == name) return &entry;
  }
  return nullptr;
}

// Strings up to their first NUL, DWORDs as unsigned decimal text, as the installer reads its
// registrations; other types have no text.
std::string ValueText(const std::optional<RegistryData>& value) {
  if (!value) return {};
  if (value->type == RegType::Sz || value->type == RegType::ExpandSz) {
    std::span<const std::uint8_t> data(value->data);
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
      if (data[i] == 0 && data[i + 1] == 0) return Utf16LeToUtf8(data.first(i));
    }
    return Utf16LeToUtf8(data);
  }
  if (value->type == RegType::Dword && value->data.size() == 4) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4; ++i) number |= std::uint32_t{value->data[i]} << (8 * i);
    return std::to_string(number);
  }
  return {};
}

InstallerValue Fitting(std::string text, std::size_t capacity) {
  if (Utf8ToUtf16(text).size() >= capacity) return {InstallerStatus::MoreData, {}};
  return {InstallerStatus::Success, std::move(text)};
}

std::unique_ptr<RegistryKeyHandle> OpenRead(RegistryBackend& registry, const std::string& path) {
  return registry.OpenKey(RootKey::LocalMachine, path, RegistryView::Wow64_64, KeyAccess::Read);
}

std::string InstallPropertiesPath(std::string_view packed) {
  return std::string(kUserDataKey) + std::string(packed) + "\\InstallProperties";
}

class PosixInstallerProduct final : public InstallerProduct {
 public:
  PosixInstallerProduct(PosixInstallerDatabase& database, RegistryBackend& registry,
                        std::string code, std::string packed)
      : database_(database),
        registry_(registry),
        code_(std::move(code)),
        packed_(std::move(packed)) {}

  InstallerValue GetProperty(std::string_view name, std::size_t capacity) override {
    if (name == "ProductCode") return Fitting(code_, capacity);
    if (name == "UpgradeCode") return Fitting(database_.UpgradeCodeOf(packed_), capacity);
    const PropertySource* source = FindSource(kProductProperties, name);
    if (!source) return {InstallerStatus::Success, {}};
    std::string path = source->source == Source::Product ? std::string(kProductsKey) + packed_
                                                         : InstallPropertiesPath(packed_);
    auto key = OpenRead(registry_, path);
    return Fitting(key ? ValueText(key->QueryValue(source->value)) : std::string(), capacity);
  }

 private:
  PosixInstallerDatabase& database_;
  RegistryBackend& registry_;
  std::string code_;
  std::string packed_;
};

}  // namespace

PosixInstallerDatabase::PosixInstallerDatabase(RegistryBackend& registry) : registry_(registry) {}

std::optional<std::string> PosixInstallerDatabase::EnumProducts(std::uint32_t index) {
  if (index == 0) {
    products_.clear();
    current_.reset();
    upgradeCodes_.reset();
    if (auto key = OpenRead(registry_, std::string(kProductsKey))) {
      for (const std::string& packed : key->SubkeyNames()) {
        if (auto code = UnpackGuid(packed)) products_.push_back(std::move(*code));
      }
    }
  }
  if (index >= products_.size()) return std::nullopt;
  return products_[index];
}

const PosixInstallerDatabase::ProductKeys* PosixInstallerDatabase::KeysOf(
    std::string_view productCode) {
  if (current_ && current_->code == productCode) return &*current_;
  current_.reset();
  auto packed = PackGuid(productCode);
  if (!packed) return nullptr;
  const std::string productPath = std::string(kProductsKey) + *packed;
  auto product = OpenRead(registry_, productPath);
  if (!product) return nullptr;
  current_ = ProductKeys{std::string(productCode), std::move(product),
                         OpenRead(registry_, productPath + "\\SourceList"),
                         OpenRead(registry_, InstallPropertiesPath(*packed))};
  return &*current_;
}

InstallerValue PosixInstallerDatabase::GetProductInfo(std::string_view productCode,
                                                      std::string_view property,
                                                      std::size_t capacity) {
  const ProductKeys* keys = KeysOf(productCode);
  if (!keys) return {InstallerStatus::UnknownProduct, {}};
  const PropertySource* source = FindSource(kProductInfo, property);
  if (!source) return {InstallerStatus::UnknownProperty, {}};

  std::string text;
  switch (source->source) {
    case Source::Product:
      text = ValueText(keys->product->QueryValue(source->value));
      if (property == "PackageCode") {
        if (auto code = UnpackGuid(text)) text = std::move(*code);
      }
      break;
    case Source::SourceList:
      if (keys->sourceList) text = ValueText(keys->sourceList->QueryValue(source->value));
      break;
    case Source::InstallProperties:
      // Only an installed product has them; a product that is merely advertised does not.
      if (!keys->installProperties) return {InstallerStatus::UnknownProduct, {}};
      text = ValueText(keys->installProperties->QueryValue(source->value));
      break;
  }
  return Fitting(std::move(text), capacity);
}

std::unique_ptr<InstallerProduct> PosixInstallerDatabase::OpenProduct(
    std::string_view productCode) {
  auto packed = PackGuid(productCode);
  if (!packed || !OpenRead(registry_, InstallPropertiesPath(*packed))) return nullptr;
  return std::make_unique<PosixInstallerProduct>(*this, registry_, std::string(productCode),
                                                 std::move(*packed));
}

std::string PosixInstallerDatabase::UpgradeCodeOf(const std::string& packedProduct) {
  if (!upgradeCodes_) {
    upgradeCodes_.emplace();
    auto root = OpenRead(registry_, std::string(kUpgradeCodesKey));
    for (const std::string& packedUpgrade :
         root ? root->SubkeyNames() : std::vector<std::string>{}) {
      auto upgradeCode = UnpackGuid(packedUpgrade);
      auto key = OpenRead(registry_, std::string(kUpgradeCodesKey) + "\\" + packedUpgrade);
      if (!upgradeCode || !key) continue;
      for (const std::string& product : key->ValueNames()) {
        upgradeCodes_->emplace(RegistryNameKey(product), *upgradeCode);
      }
    }
  }
  auto found = upgradeCodes_->find(RegistryNameKey(packedProduct));
  return found == upgradeCodes_->end() ? std::string() : found->second;
}

InstallerDatabase& SystemInstallerDatabase() {
  static PosixInstallerDatabase database(SystemRegistry());
  return database;
}

}  // namespace lintrove::platform
