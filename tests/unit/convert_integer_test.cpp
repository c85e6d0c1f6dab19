#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "runtime/convert_integer.h"

namespace {

using runtime::ConvertInteger;

struct Conversion {
  const char* text;
  std::int32_t value;
  int errorPosition;
};

void PrintTo(const Conversion& conversion, std::ostream* out) {
  *out << '"' << conversion.text << '"';
}

class ConvertIntegerTable : public ::testing::TestWithParam<Conversion> {};

TEST_P(ConvertIntegerTable, GivesTheValueAndWhereItStopped) {
  const Conversion& expected = GetParam();
  const runtime::ConvertedInteger result = ConvertInteger(expected.text);
  EXPECT_EQ(result.value, expected.value);
  EXPECT_EQ(result.errorPosition, expected.errorPosition);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ConvertIntegerTable,
    ::testing::Values(Conversion{"7", 7, 0},                                  //
                      Conversion{"   7", 7, 0},                               // leading blanks
                      Conversion{"+7", 7, 0},                                 //
                      Conversion{"-7", -7, 0},                                //
                      Conversion{"-0", 0, 0},                                 //
                      Conversion{"0", 0, 0},                                  //
                      Conversion{"007", 7, 0},                                //
                      Conversion{"$1F", 31, 0},                               //
                      Conversion{"x1F", 31, 0},                               //
                      Conversion{"X1f", 31, 0},                               //
                      Conversion{"0x1f", 31, 0},                              //
                      Conversion{"0X1F", 31, 0},                              //
                      Conversion{"$FFFFFFFF", -1, 0},                         //
                      Conversion{"$80000000", INT32_MIN, 0},                  //
                      Conversion{"$7fffffff", INT32_MAX, 0},                  //
                      Conversion{"2147483647", INT32_MAX, 0},                 //
                      Conversion{"-2147483648", INT32_MIN, 0}));              //

INSTANTIATE_TEST_SUITE_P(
    Failures, ConvertIntegerTable,
    ::testing::Values(
        // The value of a failed conversion is that of the digits before the
        // stop, without the sign.
        Conversion{"", 0, 1},                                     // empty
        Conversion{"   ", 0, 4},                                  // blanks only
        Conversion{"7a", 7, 2},                                   //
        Conversion{"7 ", 7, 2},                                   // trailing blank
        Conversion{"\t7", 0, 1},                                  // only byte 32 is skipped
        Conversion{"-", 0, 2},                                    // lone sign
        Conversion{"+", 0, 2},                                    //
        Conversion{"-$1", 0, 2},                                  // sign then hex
        Conversion{"-12x", 12, 4},                                // no sign on the value
        Conversion{"$", 0, 2},                                    // prefix without digits
        Conversion{"x", 0, 2},                                    //
        Conversion{"0x", 0, 3},                                   //
        Conversion{"$1G", 1, 3},                                  //
        Conversion{"0a", 0, 2},                                   //
        Conversion{"\xE9", 0, 1},                                 // é
        Conversion{"2147483648", INT32_MIN, 11},                  // above the range at the end
        Conversion{"-2147483649", static_cast<std::int32_t>(2147483649u), 12},
        Conversion{"21474836470", 2147483647, 11},                // too many digits
        Conversion{"$100000000", 0x10000000, 10}));               // ninth hex digit

TEST(ConvertInteger, ReadsOnlyTheGivenLength) {
  const char text[] = "12345";
  const auto result = ConvertInteger(text, 3);
  EXPECT_EQ(result.value, 123);
  EXPECT_EQ(result.errorPosition, 0);
}

TEST(ConvertInteger, AcceptsEveryDecimalOfTheWholeRange) {
  for (std::int64_t value : {-2147483648LL, -2147483647LL, -1LL, 1LL, 214748364LL, 214748365LL,
                             2147483640LL, 2147483647LL}) {
    const std::string text = std::to_string(value);
    const auto result = ConvertInteger(text.c_str());
    EXPECT_EQ(result.errorPosition, 0) << text;
    EXPECT_EQ(result.value, value) << text;
  }
}

}  // namespace
