// The keyed collection as the reminder folder set and the page's selection use it.
#include "support/keyed_collection.h"

#include <gtest/gtest.h>

namespace bellnest {
namespace {

TEST(KeyedCollection, KeepsInsertionOrderAndFindsByKeyAndPosition) {
  KeyedCollection<int> c;
  ASSERT_TRUE(c.Add(10, "A").Ok());
  ASSERT_TRUE(c.Add(20).Ok());
  ASSERT_TRUE(c.Add(30, "C").Ok());
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Item(1).Value(), 10);
  EXPECT_EQ(c.Item(2).Value(), 20);
  EXPECT_EQ(c.Item("C").Value(), 30);
  EXPECT_EQ(c.KeyAt(2), std::nullopt);
}

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

TEST(KeyedCollection, RemovingShiftsLaterPositionsAndKeepsKeysFindable) {
  KeyedCollection<int> c;
  for (int i = 1; i <= 5; ++i) ASSERT_TRUE(c.Add(i, "K" + std::to_string(i)).Ok());
  ASSERT_TRUE(c.Remove("K2").Ok());
  ASSERT_TRUE(c.Remove(1).Ok());
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Item(1).Value(), 3);
  EXPECT_EQ(c.Item("K5").Value(), 5);
  EXPECT_EQ(c.KeyAt(3), "K5");
  // A removed key can be added again, at the end.
  ASSERT_TRUE(c.Add(2, "K2").Ok());
  EXPECT_EQ(c.Item(4).Value(), 2);
}

}  // namespace
}  // namespace bellnest
