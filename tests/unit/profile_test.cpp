#include "platform/common/profile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using platform::DWORD;
using platform::ProfileString;

struct Answer {
  std::string text;
  DWORD length;
};

Answer Lookup(const std::optional<std::string>& ini, const char* section, const char* key,
              const char* defaultValue = "default", DWORD size = 80) {
  char buffer[80];
  std::fill(std::begin(buffer), std::end(buffer), '#');
  DWORD length = ProfileString(ini, section, key, defaultValue, buffer, size);
  return Answer{std::string(buffer), length};
}

const std::string Ini =
    "; MIRABO.INI\r\n"
    "[Video]\r\n"
    "CorLetra = 14\r\n"
    "FONTE=   Lucida Console   \r\n"
    "QUOTED=\"  two words \"\r\n"
    "SINGLE='x'\r\n"
    "HALF=\"x\r\n"
    "EMPTY=\r\n"
    "EQUALS=a=b\r\n"
    "NOEQUALS\r\n"
    "TWICE=first\r\n"
    "TWICE=second\r\n"
    "\r\n"
    "  [ BRAILLE ]  \r\n"
    "MODO=2\r\n"
    "[VIDEO]\r\n"
    "LATER=1\r\n";

TEST(ProfileString, SectionsAndKeysMatchWithoutRegardToCase) {
  EXPECT_EQ(Lookup(Ini, "VIDEO", "CORLETRA").text, "14");
  EXPECT_EQ(Lookup(Ini, "video", "corletra").text, "14");
  EXPECT_EQ(Lookup(Ini, "braille", "Modo").text, "2");
}

TEST(ProfileString, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
  EXPECT_EQ(Lookup(Ini, "VIDEO", "FONTE").text, "Lucida Console");
  EXPECT_EQ(Lookup(Ini, "VIDEO", "QUOTED").text, "  two words ");
  EXPECT_EQ(Lookup(Ini, "VIDEO", "SINGLE").text, "x");
  EXPECT_EQ(Lookup(Ini, "VIDEO", "HALF").text, "\"x");
  EXPECT_EQ(Lookup(Ini, "VIDEO", "EQUALS").text, "a=b");
}

TEST(ProfileString, ThePresentEmptyValueIsTheOnlyZeroLengthAnswer) {
  const Answer empty = Lookup(Ini, "VIDEO", "EMPTY");
  EXPECT_EQ(empty.text, "");
  EXPECT_EQ(empty.length, 0u);
  EXPECT_EQ(Lookup(Ini, "VIDEO", "MISSING").length, 7u);
}

TEST(ProfileString, TheAnswerIsCutToOneByteLessThanTheBuffer) {
  const Answer cut = Lookup(Ini, "VIDEO", "FONTE", "", 5);
  EXPECT_EQ(cut.text, "Luci");
  EXPECT_EQ(cut.length, 4u);
  const Answer one = Lookup(Ini, "VIDEO", "FONTE", "", 1);
  EXPECT_EQ(one.text, "");
  EXPECT_EQ(one.length, 0u);
  const Answer cutDefault = Lookup(std::nullopt, "VIDEO", "AMPLIF", "57", 2);
  EXPECT_EQ(cutDefault.text, "5");
  EXPECT_EQ(cutDefault.length, 1u);
}

TEST(ProfileString, AMissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(Lookup(std::nullopt, "VIDEO", "CORLETRA", "15").text, "15");
  EXPECT_EQ(Lookup(Ini, "SOM", "CORLETRA", "15").text, "15");
  EXPECT_EQ(Lookup(Ini, "VIDEO", "CORFUNDO", "0").text, "0");
  EXPECT_EQ(Lookup(Ini, "BRAILLE", "CORLETRA", "15").text, "15");
  EXPECT_EQ(Lookup(std::string(), "VIDEO", "CORLETRA", "15").text, "15");
}

TEST(ProfileString, TheDefaultLosesItsTrailingBlanks) {
  const Answer answer = Lookup(std::nullopt, "VIDEO", "FONTE", "Lucida   ");
  EXPECT_EQ(answer.text, "Lucida");
  EXPECT_EQ(answer.length, 6u);
  EXPECT_EQ(Lookup(std::nullopt, "VIDEO", "FONTE", nullptr).text, "");
}

TEST(ProfileString, AKeyWithoutAnEqualsSignGivesTheDefault) {
  EXPECT_EQ(Lookup(Ini, "VIDEO", "NOEQUALS").text, "default");
}

TEST(ProfileString, TheFirstSectionAndTheFirstKeyOfANameWin) {
  EXPECT_EQ(Lookup(Ini, "VIDEO", "TWICE").text, "first");
  EXPECT_EQ(Lookup(Ini, "VIDEO", "LATER").text, "default");
}

TEST(ProfileString, CommentLinesAndALeadingByteOrderMarkAreSkipped) {
  const std::string ini = "\xEF\xBB\xBF[VIDEO]\n;LENTO=S\nLENTO=N\n";
  EXPECT_EQ(Lookup(ini, "VIDEO", "LENTO").text, "N");
}

TEST(ProfileString, AZeroSizedBufferIsLeftAlone) {
  char buffer[1] = {'#'};
  EXPECT_EQ(ProfileString(Ini, "VIDEO", "FONTE", "", buffer, 0), 0u);
  EXPECT_EQ(buffer[0], '#');
}

}  // namespace
