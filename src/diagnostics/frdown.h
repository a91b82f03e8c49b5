// The installer download window (frdown) and the self-update it serves.
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QProgressBar;

namespace talvesso {

struct TAppState;
struct TDownloadProgressView;

// Made for each download and freed after it.
class TfrmDown : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmDown(QWidget* parent = nullptr);

  // One progress report: the bar (a busy bar without an announced size) and the line.
  void ShowProgress(const TDownloadProgressView& view);

  QLabel* Image2;
  QGroupBox* GroupBox1;
  QProgressBar* Progress;
  QLabel* lblDownStatus;
};

// Downloads the installer of `newBuild` with a progress window and starts it. Returns true
// when the installer was started (the program then ends). The window stays responsive: the
// download runs on a worker while the UI thread waits in its event loop.
bool RunSelfUpdate(QWidget* parent, const TAppState& state, int newBuild);

}  // namespace talvesso
