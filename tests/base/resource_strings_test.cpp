#include "base/resource_strings.h"

#include <gtest/gtest.h>

namespace lintrove {
namespace {

TEST(ResourceStringsTest, ATranslationStandsInFrontOfTheBuiltInTextWhileItIsSet) {
  EXPECT_EQ(LoadResString(ResString::Done), "Fertig...");
  EXPECT_EQ(LoadResString(ResString::RegistrySetDataFailed),
            "Fehler beim Setzen der Daten für '%s'");
  EXPECT_EQ(LoadResString(12345), "");

  SetResStringLookup([](int id) { return id == ResString::Done ? "Done..." : ""; });
  EXPECT_EQ(LoadResString(ResString::Done), "Done...");
  EXPECT_EQ(LoadResString(ResString::ScanProgress), "%d von %d") << "untranslated: built-in";

  SetResStringLookup(nullptr);
  EXPECT_EQ(LoadResString(ResString::Done), "Fertig...");
}

TEST(ResourceStringsTest, EveryNumberOfTheProgramHasABuiltInText) {
  for (int id :
       {65216, 65217, 65218, 65219, 65236, 65237, 65238, 65239, 65240, 65241, 65242, 65243, 65244,
        65245, 65246, 65247, 65264, 65265, 65266, 65267, 61440, 61441, 61442, 61443, 61444}) {
    EXPECT_FALSE(BuiltInResString(id).empty()) << id;
  }
  EXPECT_EQ(BuiltInResString(65217),
            "Es ist beim Verbinden zum Server ein Fehler aufgetreten.\r\nDie Fehlermeldung ist: "
            "\r\n%s");
}

}  // namespace
}  // namespace lintrove
