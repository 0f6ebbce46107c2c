#include <gtest/gtest.h>

#include <map>

#include "installer_packages.h"
#include "inventory/installer_finder.h"
#include "inventory/installer_program.h"

namespace lintrove {
namespace {

using test::kBeta;
using test::kPackages;

struct Progress {
  std::string name;
  std::int32_t position, total;
};

TEST(Win32InstallerFinderTest, ListsTheInstalledPackagesWithTheirProperties) {
  ProgramList list;
  InstallerFinder finder;
  finder.extended_info = true;
  std::vector<Progress> progress;
  ProgressFunction observer([&](const ProgressReport& report) {
    EXPECT_EQ(report.activity, "Windows Installer");
    progress.push_back({std::string(report.item), static_cast<std::int32_t>(report.position),
                        static_cast<std::int32_t>(report.total)});
  });
  finder.progress = &observer;
  finder.Find(list);

  std::map<std::string, const InstallerProgram*, std::less<>> found;
  for (int i = 0; i < list.Count(); ++i) {
    const auto& program = dynamic_cast<const InstallerProgram&>(list.Items(i));
    EXPECT_TRUE(found.emplace(program.ProduktGuid, &program).second) << program.ProduktGuid;
  }
  for (const test::InstallerPackage* package : kPackages) {
    auto it = found.find(package->productCode);
    ASSERT_NE(it, found.end()) << package->productName;
    const InstallerProgram& program = *it->second;
    EXPECT_EQ(program.ProductName, package->productName);
    EXPECT_EQ(program.InstalledProductName, package->productName);
    EXPECT_EQ(program.VersionString, package->versionString);
    EXPECT_EQ(program.Version, package->version);
    EXPECT_EQ(program.VersionMajor, package->versionMajor);
    EXPECT_EQ(program.VersionMinor, package->versionMinor);
    EXPECT_EQ(program.Language, package->language);
    EXPECT_EQ(program.Manufacturer, package->publisher);
    const std::string packageCode = test::PackageCodeOf(*package);
    EXPECT_EQ(program.PackageCode, packageCode);
    EXPECT_EQ(program.PackageName, package->packageName);
    EXPECT_EQ(program.URLUpdateInfo, package->urlUpdateInfo);
    EXPECT_EQ(program.UpgradeCode, package->upgradeCode);
    EXPECT_EQ(program.ARPCONTACT, package->contact);
    EXPECT_EQ(program.ARPCOMMENTS, package->comments);
    EXPECT_EQ(program.GetIdentifier(), std::string(package->productCode) + packageCode +
                                           std::string(package->productName) +
                                           std::string(package->version));
  }
  auto product = [&](const test::InstallerPackage& package) -> const InstallerProgram& {
    return *found.find(package.productCode)->second;
  };
  // 2047 characters fit the value buffer; 2048 do not, and leave the property empty.
  EXPECT_EQ(product(kBeta).URLInfoAbout, kBeta.urlInfoAbout);
  EXPECT_EQ(product(kBeta).HelpLink, "");
  EXPECT_EQ(product(test::kAlpha).HelpLink, test::kAlpha.helpLink);

  // One report per listed product, numbered from 1 in the installer's order.
  std::vector<std::string> codes;
  while (auto code = platform::SystemInstallerDatabase().EnumProducts(
             static_cast<std::uint32_t>(codes.size())))
    codes.push_back(*code);
  ASSERT_EQ(progress.size(), static_cast<std::size_t>(list.Count()));
  for (std::size_t i = 0; i < progress.size(); ++i) {
    const auto& program = dynamic_cast<const InstallerProgram&>(list.Items(static_cast<int>(i)));
    EXPECT_EQ(progress[i].name, program.ProductName);
    EXPECT_EQ(progress[i].total, static_cast<std::int32_t>(codes.size()));
    ASSERT_GE(progress[i].position, 1);
    EXPECT_EQ(codes.at(static_cast<std::size_t>(progress[i].position - 1)), program.ProduktGuid);
  }
}

}  // namespace
}  // namespace lintrove
