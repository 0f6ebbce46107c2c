#include "flows/homepage_address.h"

#include <gtest/gtest.h>

namespace lintrove {
namespace {

TEST(HomepageAddressTest, OpensWebAddressesAndNothingElse) {
  const struct {
    std::string_view homepage;
    std::optional<std::string> opened;
  } cases[] = {
      {"https://www.7-zip.org/", "https://www.7-zip.org/"},
      {"HTTP://Example.org/a?b=1&c=2", "HTTP://Example.org/a?b=1&c=2"},
      {"  http://example.org  ", "http://example.org"},
      {"www.example.org/download", "http://www.example.org/download"},
      {"WWW.Example.org", "http://WWW.Example.org"},
      // The shell would start a program or open a file or another scheme's handler.
      {"C:\\Program Files\\Tool\\tool.exe", std::nullopt},
      {"\\\\server\\share\\setup.exe", std::nullopt},
      {"file:///etc/passwd", std::nullopt},
      {"calc.exe", std::nullopt},
      {"javascript:alert(1)", std::nullopt},
      {"example.org", std::nullopt},
      {"http:", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HomepageAddress(c.homepage), c.opened) << c.homepage;
  }
}

}  // namespace
}  // namespace lintrove
