#include "fileserver/request_number.h"

#include <gtest/gtest.h>

#include <limits>

#include "fileserver/send_thread.h"
#include "fileserver/shared_roots.h"

namespace talvesso {
namespace {

TEST(RequestNumber, ReadsLikeThePeerProtocolSays) {
  struct TCase {
    const char* Line;
    int64_t Expected;
  };
  const TCase cases[] = {
      {"", 0},       {"0", 0},      {"12ab", 12},     {"-5", -5},  {"+17", 17},
      {"  42", 42},  {"$1F", 31},   {"x10", 16},      {"X10", 16}, {"0x1f", 31},
      {"0XFF", 255}, {"-$10", -16}, {"0x", 0},        {"abc", 0},  {"12 34", 12},
      {"\t7", 0},    {"007", 7},    {"1000\r", 1000}, {"$fg", 15}, {"- 5", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseRequestNumber64(c.Line), c.Expected) << '"' << c.Line << '"';
    EXPECT_EQ(ParseRequestNumber32(c.Line), static_cast<int32_t>(c.Expected)) << c.Line;
  }
}

TEST(RequestNumber, ValuesBeyondTheFieldAreClampedToItsLimits) {
  constexpr auto max32 = std::numeric_limits<int32_t>::max();
  constexpr auto min32 = std::numeric_limits<int32_t>::min();
  constexpr auto max64 = std::numeric_limits<int64_t>::max();
  constexpr auto min64 = std::numeric_limits<int64_t>::min();
  EXPECT_EQ(ParseRequestNumber32("2147483647"), max32);
  EXPECT_EQ(ParseRequestNumber32("2147483648"), max32);
  EXPECT_EQ(ParseRequestNumber32("-2147483648"), min32);
  EXPECT_EQ(ParseRequestNumber32("-2147483649"), min32);
  EXPECT_EQ(ParseRequestNumber32("$FFFFFFFF"), max32);
  EXPECT_EQ(ParseRequestNumber64("9223372036854775807"), max64);
  EXPECT_EQ(ParseRequestNumber64("99999999999999999999999"), max64);
  EXPECT_EQ(ParseRequestNumber64("-9223372036854775808"), min64);
  EXPECT_EQ(ParseRequestNumber64("-99999999999999999999999"), min64);
  EXPECT_EQ(ParseRequestNumber64("0xFFFFFFFFFFFFFFFFFF"), max64);
  EXPECT_EQ(ParseRequestNumber64("4294967296"), 4294967296LL);
}

TEST(RequestNumber, CommandLineIsTrimmedOfControlBytesOnly) {
  EXPECT_EQ(TrimControlBytes(" \t REQUEST_DOWNLOAD_FILE \r"), "REQUEST_DOWNLOAD_FILE");
  EXPECT_EQ(TrimControlBytes(std::string_view("\0\x1fX\x01", 4)), "X");
  EXPECT_EQ(TrimControlBytes("a b"), "a b");
  EXPECT_EQ(TrimControlBytes("  "), "");
  EXPECT_EQ(TrimControlBytes("\x7f"), "\x7f");  // DEL is not a control byte here
}

TEST(SharedRoots, InsideMeansWholePathComponents) {
  struct TCase {
    const char* Path;
    const char* Root;
    bool Inside;
  };
  const TCase cases[] = {
      {"/data/share/a.txt", "/data/share", true},
      {"/data/share", "/data/share", true},
      {"/data/share/sub/b", "/data/share", true},
      {"/data/share2/a.txt", "/data/share", false},
      {"/data/shar", "/data/share", false},
      {"/data/other", "/data/share", false},
      {"/anything", "/", true},
      {"/data/share/a", "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsInsideFolder(c.Path, c.Root), c.Inside) << c.Path << " in " << c.Root;
}

TEST(SendThread, RoundingGoesHalfToEven) {
  EXPECT_EQ(DivideRoundHalfEven(5, 2), 2);
  EXPECT_EQ(DivideRoundHalfEven(7, 2), 4);
  EXPECT_EQ(DivideRoundHalfEven(10, 4), 2);
  EXPECT_EQ(DivideRoundHalfEven(11, 4), 3);
  EXPECT_EQ(DivideRoundHalfEven(1000 * 1000, 1000), 1000);
  EXPECT_EQ(DivideRoundHalfEven(-5, 2), -2);
  EXPECT_EQ(DivideRoundHalfEven(-7, 2), -4);
}

}  // namespace
}  // namespace talvesso
