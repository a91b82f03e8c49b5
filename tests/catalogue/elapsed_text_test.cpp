#include "catalogue/elapsed_text.h"

#include <gtest/gtest.h>

namespace talvesso {
namespace {

TEST(ElapsedText, SecondsThenMinutesWithoutPaddingOrHours) {
  const struct {
    uint32_t Ms;
    const char* Text;
  } cases[] = {
      {0, "0초"},         {999, "0초"},        {45'000, "45초"},       {59'999, "59초"},
      {60'000, "1분0초"}, {125'000, "2분5초"}, {4'500'000, "75분0초"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatElapsedTime(c.Ms), c.Text) << c.Ms;
}

TEST(ElapsedText, TickCountWrapIsHarmless) {
  EXPECT_EQ(ElapsedTextSince(0xFFFFFFFFu - 999u, 2'000u), "3초");
}

}  // namespace
}  // namespace talvesso
