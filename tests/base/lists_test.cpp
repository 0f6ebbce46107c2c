#include "base/lists.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "base/error.h"

namespace lintrove {
namespace {

TEST(ListsTest, AnOwningListKeepsItsOrderAndHandsItsElementsOn) {
  OwningList<std::string> list;
  EXPECT_EQ(list.Add(std::make_unique<std::string>("first")), 0);
  EXPECT_EQ(list.Add(std::make_unique<std::string>("second")), 1);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(1), "second");

  const std::vector<std::unique_ptr<std::string>> released = list.ReleaseAll();
  ASSERT_EQ(released.size(), 2u);
  EXPECT_EQ(*released[0], "first");
  EXPECT_EQ(list.Count(), 0);
}

TEST(ListsTest, AReferenceListLeavesItsElementsAlive) {
  std::string kept = "kept";
  {
    ReferenceList<const std::string> list;
    EXPECT_EQ(list.Add(&kept), 0);
    EXPECT_EQ(&list.Items(0), &kept);
  }
  EXPECT_EQ(kept, "kept");
}

TEST(ListsTest, AnIndexOutsideEitherKindOfListIsAnError) {
  std::string element;
  OwningList<std::string> owning;
  owning.Add(std::make_unique<std::string>());
  ReferenceList<std::string> referring;
  referring.Add(&element);
  for (int index : {-1, 1, 7}) {
    for (const auto& items : {std::function<void()>([&] { owning.Items(index); }),
                              std::function<void()>([&] { referring.Items(index); })}) {
      try {
        items();
        ADD_FAILURE() << "index " << index;
      } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Listenindex überschreitet das Maximum (" + std::to_string(index) + ")");
      }
    }
  }
}

}  // namespace
}  // namespace lintrove
