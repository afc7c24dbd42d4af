// The keyed collection as the reminder folder set and the page's selection use it.
#include "support/keyed_collection.h"

#include <gtest/gtest.h>

namespace bellnest {
namespace {

TEST(KeyedCollection, FailuresCarryRunTimeNumbersAndChangeNothing) {
  KeyedCollection<int> c;
  ASSERT_TRUE(c.Add(1, "A").Ok());
  Status dup = c.Add(2, "A");
  ASSERT_FALSE(dup.Ok());
  EXPECT_EQ(dup.Error().Number, err::kDuplicateKey);
  EXPECT_EQ(dup.Error().Source, kProjectName);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(c.Item("B").Error().Number, err::kInvalidProcedureCall);
  EXPECT_EQ(c.Remove("B").Error().Number, err::kInvalidProcedureCall);
  EXPECT_EQ(c.Item(0).Error().Number, err::kSubscriptOutOfRange);
  EXPECT_EQ(c.Item(2).Error().Number, err::kSubscriptOutOfRange);
  EXPECT_EQ(c.Count(), 1);
}

TEST(KeyedCollection, KeepsOrderRemovingShiftsLaterPositionsAndKeysStayFindable) {
  KeyedCollection<int> c;
  for (int i = 1; i <= 5; ++i) ASSERT_TRUE(c.Add(i, "K" + std::to_string(i)).Ok());
  ASSERT_TRUE(c.Add(6).Ok());  // without a key
  ASSERT_TRUE(c.Remove("K2").Ok());
  ASSERT_TRUE(c.Remove(1).Ok());
  EXPECT_EQ(c.Count(), 4);
  EXPECT_EQ(c.Item(1).Value(), 3);
  EXPECT_EQ(c.Item("K5").Value(), 5);
  EXPECT_EQ(c.KeyAt(3), "K5");
  EXPECT_EQ(c.KeyAt(4), std::nullopt);
  // A removed key can be added again, at the end.
  ASSERT_TRUE(c.Add(2, "K2").Ok());
  EXPECT_EQ(c.Item(5).Value(), 2);
}

}  // namespace
}  // namespace bellnest
