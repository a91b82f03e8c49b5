// The progress line and bar of the installer download window.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "diagnostics/apploadercb2.h"

namespace talvesso {
namespace {

TEST(DownloadProgressLine, PercentTiesToEvenAndBothSizes) {
  struct TCase {
    int64_t Progress;
    int64_t Total;
    const char* Line;
  };
  const TCase cases[] = {
      {1572864, 3145728, "50% (1.50 MB/3.00 MB)"},
      {1, 8, "12% (1 bytes/8 bytes)"},     // 12.5 -> 12
      {3, 8, "38% (3 bytes/8 bytes)"},     // 37.5 -> 38
      {1, 200, "0% (1 bytes/200 bytes)"},  // 0.5 -> 0
      {3, 200, "2% (3 bytes/200 bytes)"},  // 1.5 -> 2
      {2, 3, "67% (2 bytes/3 bytes)"},
      {1536, 1048576, "0% (2 KB/1.00 MB)"},
      {3145728, 3145728, "100% (3.00 MB/3.00 MB)"},
      {2147483647, 2147483647, "100% (2048.00 MB/2048.00 MB)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Line);
    EXPECT_EQ(DownloadProgressLine(c.Progress, c.Total), std::optional<std::string>(c.Line));
  }
}

TEST(DownloadProgressLine, NothingForZeroBytesOnlyTheBytesWithoutASize) {
  EXPECT_EQ(DownloadProgressLine(0, 3145728), std::nullopt);
  EXPECT_EQ(DownloadProgressLine(0, 0), std::nullopt);
  EXPECT_EQ(DownloadProgressLine(1572864, 0), std::optional<std::string>("1.50 MB"));
  EXPECT_EQ(DownloadProgressLine(999, 0), std::optional<std::string>("999 bytes"));
}

TEST(BindStatusCallback, FirstZeroReportShowsNothingThenBarFollows) {
  std::vector<TDownloadProgressView> views;
  TBindStatusCallback callback([&](const TDownloadProgressView& v) { views.push_back(v); });

  callback.OnProgress(0, 3145728);
  EXPECT_TRUE(views.empty());

  callback.OnProgress(1572864, 3145728);
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].Line, "50% (1.50 MB/3.00 MB)");
  EXPECT_EQ(views[0].BarMaximum, 3145728);
  EXPECT_EQ(views[0].BarPosition, 1572864);

  // Without an announced size the bar has no range (busy) and the line shows the bytes.
  callback.OnProgress(2048, 0);
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[1].Line, "2 KB");
  EXPECT_EQ(views[1].BarMaximum, 0);
  EXPECT_EQ(views[1].BarPosition, 0);

  // Sizes beyond an int are scaled together, keeping the bar's proportion.
  callback.OnProgress(3'000'000'000, 6'000'000'000);
  ASSERT_EQ(views.size(), 3u);
  EXPECT_GT(views[2].BarMaximum, 0);
  EXPECT_EQ(views[2].BarPosition * 2, views[2].BarMaximum);
}

}  // namespace
}  // namespace talvesso
