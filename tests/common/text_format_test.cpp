#include "common/text_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace talvesso {
namespace {

struct TThousandsCase {
  std::string Input;
  std::string Expected;
};

TEST(FormatThousands, GroupsDigitsInThrees) {
  const TThousandsCase cases[] = {
      {"", "0"},
      {"0", "0"},
      {"999", "999"},
      {"1000", "1,000"},
      {"1234567", "1,234,567"},
      {"1,234", "1,234"},
      {"12,34,567", "1,234,567"},  // commas anywhere are dropped before reading
      {"-1234", "-1,234"},
      {"-999", "-999"},
      {"+42", "42"},
      {"2147483647", "2,147,483,647"},
      {"-2147483648", "-2,147,483,648"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatThousands(c.Input), c.Expected) << c.Input;
}

TEST(FormatThousands, TextThatIsNoThirtyTwoBitIntegerGivesZero) {
  for (const std::string input : {"abc", "12a", "-", "+", ",", "1.5", " 1", "+-1", "2147483648",
                                  "-2147483649", "99999999999999999999"})
    EXPECT_EQ(FormatThousands(input), "0") << input;
}

struct TSizeCase {
  int64_t Bytes;
  std::string Expected;
};

TEST(FormatByteSize, UnitTiersAndTheirBoundaries) {
  const TSizeCase cases[] = {
      {0, "0 bytes"},
      {1, "1 bytes"},
      {1000, "1,000 bytes"},
      {1023, "1,023 bytes"},
      {1024, "1 KB"},
      {1535, "1 KB"},
      {1536, "2 KB"},  // tie, rounds to the even 2
      {2560, "2 KB"},  // tie, rounds to the even 2
      {2561, "3 KB"},
      {3584, "4 KB"},  // tie, rounds to the even 4
      {1048575, "1024 KB"},
      {1048576, "1.00 MB"},
      {1179648, "1.13 MB"},  // exactly 1.125 MB: a 5 rounds away from zero
      {1179647, "1.12 MB"},  // one byte below the tie
      {1179649, "1.13 MB"},  // one byte above the tie
      {1073741823, "1024.00 MB"},
      {1073741824, "1.00 GB"},
      {1207959552, "1.13 GB"},  // exactly 1.125 GB
      {5000000000, "4.66 GB"},
      {int64_t{5} << 40, "5120.00 GB"},  // no tier above GB
      {std::numeric_limits<int64_t>::max(), "8589934592.00 GB"},
      {-1, "-1 bytes"},
      {-2048, "-2,048 bytes"},
      {-5000000000, "-5,000,000,000 bytes"},
      {std::numeric_limits<int64_t>::min(), "-9,223,372,036,854,775,808 bytes"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatByteSize(c.Bytes), c.Expected) << c.Bytes;
}

TEST(FormatDownloadSize, HasNoGigabyteTier) {
  const TSizeCase cases[] = {
      {0, "0 bytes"},
      {1023, "1,023 bytes"},
      {1024, "1 KB"},
      {1536, "2 KB"},
      {2560, "2 KB"},
      {1048575, "1024 KB"},
      {1048576, "1.00 MB"},
      {1179648, "1.13 MB"},
      {1073741824, "1024.00 MB"},
      {2147483647, "2048.00 MB"},
      {-2048, "-2,048 bytes"},
      {std::numeric_limits<int32_t>::min(), "-2,147,483,648 bytes"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatDownloadSize(static_cast<int32_t>(c.Bytes)), c.Expected) << c.Bytes;
}

}  // namespace
}  // namespace talvesso
