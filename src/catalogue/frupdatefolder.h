// The folder update command with its progress window.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace talvesso {

struct TAppState;
class TPrompts;
class TSharedHttpClient;
class TServiceApi;
class TFolderUpdate;
class TFileCopyAnimation;
struct TScanProgress;
enum class TUpdatePhase;

// The progress window: shown (not modal, above other windows) while an update runs, unless
// the update is the quiet hourly refresh.
class TfrmUpdateFolder : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmUpdateFolder(QWidget* parent = nullptr);

  // Cleared when an update is created: the next showing resets the texts for the new run.
  bool Initialised = false;

  // What the run reports (on the UI thread).
  void ShowPhase(TUpdatePhase phase);
  void ShowScanProgress(const TScanProgress& progress);
  void ShowUploadProgress(int64_t bytesMoved, int64_t fileSize);

  TFileCopyAnimation* Animate1;
  QLabel* lblName2;
  QLabel* lblName;
  QLabel* lblFileCnt;
  QLabel* lblFolderCnt;
  QLabel* lblTotalSize;
  QLabel* lblTime;
  QPushButton* btnAddFolder;  // "중 지"
  QProgressBar* Progress;

 signals:
  void stopRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  int64_t UploadScale_ = 1;  // bytes per bar step when the file is larger than an int
};

// The folder update button's command and the update operation it shares with the start of
// sharing. The UI thread waits in its event loop while the core's worker runs, so the main
// window stays usable; the folders are walked as a snapshot, so the folder commands may run
// meanwhile, and the measured sizes go back into the records still registered (by PNo).
class TFolderUpdateCommand : public QObject {
  Q_OBJECT
 public:
  TFolderUpdateCommand(TAppState& state, TPrompts& prompts, TSharedHttpClient& httpClient,
                       TfrmUpdateFolder& window, QObject* parent = nullptr);
  ~TFolderUpdateCommand() override;

  // The button's command (btnUpdateFolderClick): asks, runs, tells. Quiet is the hourly
  // refresh: state.AutoUpdating is set for the run, so there is no progress window and no
  // success notice (a failure is still told). Returns the update's result: 200 accepted,
  // 300 failed, 100 stopped, 0 no result, -1 refused because one is running; also -1 when
  // the member answered No.
  int Run(bool quiet);
  void btnUpdateFolderClick() { Run(false); }

  // One update without questions or outcome notices (the start of sharing): the warning
  // when one is already running (-1), the window unless state.AutoUpdating.
  int RunFolderUpdate();

  bool Running() const;
  // The stop button.
  void RequestStop();

  // How many transfers are waiting or sending (state 0 or 3); none until sharing wires it.
  std::function<int()> ActiveTransferCount;

 signals:
  // Measured folder sizes were written into state.FolderList.
  void folderSizesChanged();

 private:
  class TWindowObserver;

  TAppState& State_;
  TPrompts& Prompts_;
  TSharedHttpClient& HttpClient_;
  TfrmUpdateFolder& Window_;
  std::unique_ptr<TServiceApi> Api_;
  std::unique_ptr<TFolderUpdate> Updates_;
  std::unique_ptr<TWindowObserver> Observer_;
  bool Waiting_ = false;  // an update of this command is under way (UI thread)
};

}  // namespace talvesso
