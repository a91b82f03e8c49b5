// The installer download window.
#pragma once

#include <QDialog>

namespace talvesso {

struct TAppState;

class TfrmDown : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmDown(QWidget* parent = nullptr);
};

// Downloads the installer of `newBuild` with a progress window and starts it. Returns true
// when the installer was started (the program then ends).
bool RunSelfUpdate(QWidget* parent, const TAppState& state, int newBuild);

}  // namespace talvesso
