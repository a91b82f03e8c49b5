// The progress receiver of the installer download: turns each (bytes so far, total) report
// into what the download window shows, the bar and the progress line.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace talvesso {

// What the download window shows for one report.
struct TDownloadProgressView {
  // Bar range and position, scaled down together when the sizes exceed an int. A maximum of 0
  // means the server announced no size (the window shows a busy bar).
  int BarMaximum = 0;
  int BarPosition = 0;
  std::string Line;  // the progress line, e.g. "50% (1.50 MB/3.00 MB)"
};

// The progress line for `progress` of `total` bytes: the percent (ties to the even neighbour),
// then both sizes, "50% (1.50 MB/3.00 MB)". Without an announced size (total 0) only the bytes
// so far, "1.50 MB". nullopt for a report of 0 bytes: the line stays as it was.
std::optional<std::string> DownloadProgressLine(int64_t progress, int64_t total);

// Receives the reports of one download (on the downloading thread) and hands every one that
// changes the display to the window's handler.
class TBindStatusCallback {
 public:
  using TViewHandler = std::function<void(const TDownloadProgressView&)>;
  explicit TBindStatusCallback(TViewHandler onView) : OnView_(std::move(onView)) {}

  // A report of 0 bytes changes nothing; the download is never cancelled from here.
  void OnProgress(int64_t progress, int64_t total);

 private:
  TViewHandler OnView_;
};

}  // namespace talvesso
