#include "webclient/service_answer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "webclient/service_api.h"

namespace talvesso {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ServiceAnswer, MarkerIsACaseSensitiveSubstring) {
  EXPECT_TRUE(HasMarker("##%%OK%%##", kMarkerOk));
  EXPECT_TRUE(HasMarker("before ##%%OK%%## after", kMarkerOk));
  EXPECT_TRUE(HasMarker("x\r\n##%%NOT_MONEY%%##", kMarkerNotMoney));
  EXPECT_FALSE(HasMarker("##%%ok%%##", kMarkerOk));
  EXPECT_FALSE(HasMarker("##%%OK%%#", kMarkerOk));
  EXPECT_FALSE(HasMarker("", kMarkerOk));
}

TEST(ServiceAnswer, LinesEndAtCrLfOrCrLf) {
  EXPECT_THAT(SplitAnswerLines(""), IsEmpty());
  EXPECT_THAT(SplitAnswerLines("a"), ElementsAre("a"));
  EXPECT_THAT(SplitAnswerLines("a\r\nb\nc\rd"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(SplitAnswerLines("a\r\n"), ElementsAre("a"));
  EXPECT_THAT(SplitAnswerLines("a\r\n\r\nb"), ElementsAre("a", "", "b"));
  EXPECT_THAT(SplitAnswerLines("a\n\rb"), ElementsAre("a", "", "b"));  // LF then CR: two breaks
  EXPECT_THAT(SplitAnswerLines("\r\n"), ElementsAre(""));
}

TEST(ServiceAnswer, LenientIntegers) {
  struct TCase {
    const char* Line;
    int32_t Expected;
  } cases[] = {
      {"12345", 12345},
      {"  42", 42},
      {"\t7", 7},
      {"-5", -5},
      {"+8", 8},
      {"12a", 12},
      {"abc", 0},
      {"", 0},
      {"- 3", 0},
      {"1 2", 1},
      {"0017", 17},
      {"2147483647", 2147483647},
      {"99999999999", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-99999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(LenientInt(c.Line), c.Expected) << '"' << c.Line << '"';
}

TEST(ServiceAnswer, StrictPositiveWholeNumbers) {
  struct TCase {
    const char* Line;
    std::optional<int32_t> Expected;
  } cases[] = {
      {"20", 20},
      {"  20", 20},
      {"1", 1},
      {"0", std::nullopt},
      {"x", std::nullopt},
      {"20x", std::nullopt},
      {"20 ", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"-3", std::nullopt},
      {"+3", std::nullopt},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"007", 7},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StrictPositiveInt(c.Line), c.Expected) << '"' << c.Line << '"';
}

TEST(ServiceAnswer, PercentEncodingKeepsOnlyUnreservedBytes) {
  struct TCase {
    std::string Bytes;
    std::string Expected;
  } cases[] = {
      {"abcXYZ019-._~", "abcXYZ019-._~"},
      {"a&b=c", "a%26b%3Dc"},
      {"#+ %", "%23%2B%20%25"},
      {"\xB0\xA1", "%B0%A1"},  // the Korean code page's bytes of one syllable
      {"/\\?", "%2F%5C%3F"},
      {std::string("\0\x7F", 2), "%00%7F"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentEncode(c.Bytes), c.Expected) << c.Bytes;
}

}  // namespace
}  // namespace talvesso
