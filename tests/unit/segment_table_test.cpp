#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "synt/segment_table.h"

namespace {

using synt::SegmentCount;
using synt::SegmentNumber;
using synt::SegmentTable;

std::int32_t Start(int number) { return synt::DecimalValue(SegmentNumber(number).start); }
std::int32_t End(int number) { return synt::DecimalValue(SegmentNumber(number).end); }

TEST(SegmentTable, BoundsArePlainDecimalTextBecauseTheyAreSplicedIntoThePlayCommand) {
  for (const synt::Segment& segment : SegmentTable) {
    for (std::string_view bound : {segment.start, segment.end}) {
      SCOPED_TRACE(std::string(bound));
      ASSERT_FALSE(bound.empty());
      EXPECT_NE(bound.front(), '0');
      EXPECT_TRUE(std::all_of(bound.begin(), bound.end(), [](char c) { return c >= '0' && c <= '9'; }));
    }
  }
}

TEST(SegmentTable, EveryRangeEndsAfterItStartsAndNoTwoOverlap) {
  std::vector<int> byFilePlace;
  for (int number = 1; number <= SegmentCount; ++number) {
    EXPECT_GT(End(number), Start(number)) << "segment " << number;
    byFilePlace.push_back(number);
  }
  std::sort(byFilePlace.begin(), byFilePlace.end(),
            [](int a, int b) { return Start(a) < Start(b); });
  std::int32_t smallestGap = INT32_MAX;
  for (std::size_t i = 1; i < byFilePlace.size(); ++i) {
    std::int32_t gap = Start(byFilePlace[i]) - End(byFilePlace[i - 1]);
    EXPECT_GE(gap, 220) << "segments " << byFilePlace[i - 1] << " and " << byFilePlace[i];
    smallestGap = std::min(smallestGap, gap);
  }
  EXPECT_EQ(smallestGap, 220);
  EXPECT_EQ(Start(byFilePlace.front()), 6615);
  EXPECT_EQ(End(byFilePlace.back()), 3007025);
  EXPECT_EQ(byFilePlace.front(), 1);
  EXPECT_EQ(byFilePlace.back(), 87);
}

TEST(SegmentTable, ExactlyThreePairsLieInTheFileTheOtherWayRound) {
  std::vector<int> outOfOrder;
  for (int number = 2; number <= SegmentCount; ++number) {
    if (Start(number) < Start(number - 1)) outOfOrder.push_back(number);
  }
  // 54 before 53, 68 before 67, 76 before 75 ...
  EXPECT_EQ(outOfOrder, (std::vector<int>{54, 68, 76}));
  // ... and each pair still after the entry before it.
  EXPECT_GT(Start(54), End(52));
  EXPECT_GT(Start(68), End(66));
  EXPECT_GT(Start(76), End(74));
  EXPECT_LT(End(54), Start(53));
  EXPECT_LT(End(68), Start(67));
  EXPECT_LT(End(76), Start(75));
}

TEST(SegmentTable, LengthsAndWaitsSpanTheirKnownRange) {
  std::map<std::int32_t, int> lengths;
  std::vector<int> longest;
  for (int number = 1; number <= SegmentCount; ++number) {
    ++lengths[End(number) - Start(number)];
    if (synt::SegmentWait(SegmentNumber(number)) == 367) longest.push_back(number);
  }
  EXPECT_EQ(lengths.begin()->first, 1575);
  EXPECT_EQ(lengths.rbegin()->first, 11025);
  EXPECT_EQ(lengths[6615], 10);
  EXPECT_EQ(lengths[8820], 10);
  EXPECT_EQ(lengths[11025], 5);
  EXPECT_EQ(synt::SegmentWait(SegmentNumber(67)), 52);
  EXPECT_EQ(longest, (std::vector<int>{6, 12, 18, 20, 36}));
  for (const synt::Segment& segment : SegmentTable) {
    EXPECT_GE(synt::SegmentWait(segment), 52);
    EXPECT_LE(synt::SegmentWait(segment), 367);
  }
}

}  // namespace
