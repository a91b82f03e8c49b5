#include "diagnostics/apploadercb2.h"

#include <algorithm>
#include <limits>

#include "common/text_format.h"

namespace talvesso {

namespace {

// The sizes of the line are 32-bit counts; nothing near 2 GiB is ever an installer.
int32_t ClampToInt32(int64_t n) {
  return static_cast<int32_t>(std::clamp<int64_t>(n, 0, std::numeric_limits<int32_t>::max()));
}

// progress / total * 100 rounded to a whole number, ties to even, in exact integer arithmetic.
int64_t PercentHalfEven(int64_t progress, int64_t total) {
  // Both fit in 32 bits after clamping, so progress * 200 cannot overflow.
  const int64_t scaled = progress * 100;
  int64_t percent = scaled / total;
  const int64_t twiceRest = (scaled % total) * 2;
  if (twiceRest > total || (twiceRest == total && percent % 2 != 0)) ++percent;
  return percent;
}

}  // namespace

std::optional<std::string> DownloadProgressLine(int64_t progress, int64_t total) {
  if (progress <= 0) return std::nullopt;
  const int32_t done = ClampToInt32(progress);
  if (total <= 0) return FormatDownloadSize(done);
  const int32_t whole = ClampToInt32(total);
  return std::to_string(PercentHalfEven(done, whole)) + "% (" + FormatDownloadSize(done) + "/" +
         FormatDownloadSize(whole) + ")";
}

void TBindStatusCallback::OnProgress(int64_t progress, int64_t total) {
  auto line = DownloadProgressLine(progress, total);
  if (!line) return;
  TDownloadProgressView view;
  view.Line = std::move(*line);
  if (total > 0) {
    int shift = 0;
    while ((total >> shift) > std::numeric_limits<int>::max()) ++shift;
    view.BarMaximum = static_cast<int>(total >> shift);
    view.BarPosition = static_cast<int>(std::min(progress, total) >> shift);
  }
  if (OnView_) OnView_(view);
}

}  // namespace talvesso
