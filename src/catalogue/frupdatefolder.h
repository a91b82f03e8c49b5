// The folder update command with its progress window.
#pragma once

#include <QDialog>

namespace talvesso {

struct TAppState;
class TPrompts;
class TSharedHttpClient;

class TfrmUpdateFolder : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmUpdateFolder(QWidget* parent = nullptr);
};

// Runs one catalogue update (walk, write "fshare.txt", upload) with the progress window and
// the member's questions and notices; the UI thread waits in its event loop meanwhile.
class TFolderUpdateCommand : public QObject {
  Q_OBJECT
 public:
  TFolderUpdateCommand(TAppState& state, TPrompts& prompts, TSharedHttpClient& httpClient,
                       TfrmUpdateFolder& window, QObject* parent = nullptr);
  // The button's command: asks, runs, tells. Quiet: no questions and no notices (the start of
  // sharing and the hourly refresh). Returns the update's result: 200 accepted, 300 failed,
  // 100 stopped, 0 no result, -1 refused because one is running.
  int Run(bool quiet);
  bool Running() const;

 signals:
  // Measured folder sizes were written into state.FolderList.
  void folderSizesChanged();
};

}  // namespace talvesso
