// The program's object graph: the single-instance guard, the process-wide values, the
// registry values and every window, created once in a fixed order and kept for the whole run.
// main() owns one; tests build their own with a scripted TPrompts.
#pragma once

#include <QString>
#include <memory>

#include "shell/app_state.h"
#include "shell/shell_texts.h"

namespace talvesso {

class TPrompts;
class TWidgetPrompts;
class TSingleInstanceLock;
class TSharedHttpClient;
class TfrmMsgDialog;
class TfrmCharBox;
class TfrmSetupFolder;
class TfrmUpdateFolder;
class TFolderUpdateCommand;
class TfrmSvrConfig;
class TfrmLogin;
class TShareFolderPanel;
class TfrmMain;
class TServiceApi;
class TSvrModule;
class TTCPChk;
class TTransferFeed;
class TTransferListModel;
class TTransferPanel;
class TSharingControl;
class TMainSharingView;

inline constexpr const char* kRegistryKey = "talvesso";

struct TStartOptions {
  QString ProgramFolder;  // empty: ResolveProgramFolder()
  QString LockFolder;     // empty: the user's runtime folder
};

class TServerProgram {
 public:
  // `prompts` replaces the notice popup and the message boxes (tests); null: real windows.
  explicit TServerProgram(TPrompts* prompts = nullptr);
  ~TServerProgram();
  TServerProgram(const TServerProgram&) = delete;
  TServerProgram& operator=(const TServerProgram&) = delete;

  // Takes the single-instance lock (a second copy is told and false comes back, no window is
  // created), fixes the program folder and the backend address, writes the registry values
  // and creates the windows. The caller shows MainWindow() and runs the event loop.
  bool Start(const TStartOptions& options = {});

  TAppState& State() { return State_; }
  TPrompts& Prompts() { return *Prompts_; }
  TfrmMain& MainWindow() { return *MainWindow_; }
  TfrmMsgDialog& MsgDialog() { return *MsgDialog_; }
  TfrmLogin& LoginDialog() { return *Login_; }
  TfrmSvrConfig& SvrConfigDialog() { return *SvrConfig_; }
  TfrmCharBox& CharBox() { return *CharBox_; }
  TfrmSetupFolder& SetupFolderDialog() { return *SetupFolder_; }
  TfrmUpdateFolder& UpdateFolderWindow() { return *UpdateFolder_; }
  TShareFolderPanel& SharePanel() { return *SharePanel_; }
  TSvrModule& SvrModule() { return *SvrModule_; }
  TTCPChk& NetworkCheck() { return *NetCheck_; }
  TTransferFeed& TransferFeed() { return *TransferFeed_; }
  TTransferListModel& TransferModel() { return *TransferModel_; }
  TTransferPanel& TransferPanel() { return *TransferPanel_; }
  TSharingControl& Sharing() { return *Sharing_; }

 private:
  // The file server's list, its panel and the start/stop command, joined to the windows.
  void WireSharing();

  TPrompts* Prompts_ = nullptr;
  std::unique_ptr<TWidgetPrompts> WidgetPrompts_;
  std::unique_ptr<TSingleInstanceLock> Lock_;
  TAppState State_;
  std::unique_ptr<TSharedHttpClient> HttpClient_;
  // The file server and what feeds its list; they outlive the main window.
  std::unique_ptr<TServiceApi> DownloadApi_;
  std::unique_ptr<TTransferFeed> TransferFeed_;
  std::unique_ptr<TSvrModule> SvrModule_;
  std::unique_ptr<TTCPChk> NetCheck_;
  std::unique_ptr<TTransferListModel> TransferModel_;
  std::unique_ptr<TfrmMsgDialog> MsgDialog_;
  std::unique_ptr<TfrmCharBox> CharBox_;
  std::unique_ptr<TfrmSetupFolder> SetupFolder_;
  std::unique_ptr<TfrmUpdateFolder> UpdateFolder_;
  std::unique_ptr<TFolderUpdateCommand> FolderUpdate_;
  std::unique_ptr<TfrmSvrConfig> SvrConfig_;
  std::unique_ptr<TfrmLogin> Login_;
  TShareFolderPanel* SharePanel_ = nullptr;  // owned by the main window's panel
  std::unique_ptr<TfrmMain> MainWindow_;
  TTransferPanel* TransferPanel_ = nullptr;  // owned by the main window's panel
  std::unique_ptr<TMainSharingView> SharingView_;
  std::unique_ptr<TSharingControl> Sharing_;
};

}  // namespace talvesso
