#include <gtest/gtest.h>

#include <string>

#include "platform/common/cp1252.h"

namespace {

using namespace platform::common;

TEST(Cp1252, ShowsThePortugueseTextsAsUtf8) {
  EXPECT_EQ(Utf8FromCp1252("N\xE3o desista"), "N\xC3\xA3o desista");
  EXPECT_EQ(Utf8FromCp1252("desse lado n\xE3o!"), "desse lado n\xC3\xA3o!");
  EXPECT_EQ(Utf8FromCp1252("\x80\x93\x9F"), "\xE2\x82\xAC\xE2\x80\x9C\xC5\xB8");
}

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(Cp1252FromUtf8(Utf8FromCp1252(all)), all);
}

TEST(Cp1252, TheFiveUndefinedBytesBecomeC1Controls) {
  EXPECT_EQ(UnicodeFromCp1252(0x81), U'\u0081');
  EXPECT_EQ(UnicodeFromCp1252(0x9D), U'\u009D');
  EXPECT_EQ(Cp1252FromUtf8("\xC2\x80"), "");  // U+0080: 0x80 is the euro sign
}

TEST(Cp1252, TypedTextOutsideTheCodePageIsDropped) {
  EXPECT_EQ(Cp1252FromUtf8("a\xC3\xA7\xE2\x82\xAC"), "a\xE7\x80");        // a, c-cedilla, euro
  EXPECT_EQ(Cp1252FromUtf8("x\xCE\xA9y\xF0\x9F\x98\x80z"), "xyz");        // omega, emoji
  EXPECT_EQ(Cp1252FromUtf8("\xCE\xA9", '?'), "?");
}

TEST(Cp1252, MalformedUtf8IsDroppedWithoutSwallowingWhatFollows) {
  EXPECT_EQ(Cp1252FromUtf8("a\xC3"), "a");              // cut short
  EXPECT_EQ(Cp1252FromUtf8("a\xC3z"), "az");            // bad continuation
  EXPECT_EQ(Cp1252FromUtf8("\xC0\xA1!"), "!");          // overlong '!'
  EXPECT_EQ(Cp1252FromUtf8("\xED\xA0\x80k"), "k");      // surrogate
  EXPECT_EQ(Cp1252FromUtf8("\xFF\xFEok"), "ok");
}

}  // namespace
