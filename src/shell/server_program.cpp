#include "shell/server_program.h"

#include <QLabel>
#include <QTextStream>

#include "catalogue/frupdatefolder.h"
#include "common/app_constants.h"
#include "common/frmsgdlg.h"
#include "common/program_folder.h"
#include "common/registry.h"
#include "common/single_instance.h"
#include "common/widget_prompts.h"
#include "diagnostics/TCPChk.h"
#include "fileserver/prSvrModule.h"
#include "fileserver/sharing_control.h"
#include "fileserver/transfer_feed.h"
#include "fileserver/transfer_list_model.h"
#include "fileserver/transfer_panel.h"
#include "fileserver/transfer_snapshot.h"
#include "shell/frlogin.h"
#include "shell/frmain.h"
#include "store/charbox.h"
#include "store/frsetupfolder.h"
#include "store/frsvrconfig.h"
#include "store/share_folder_panel.h"
#include "webclient/service_api.h"
#include "webclient/service_post.h"

namespace talvesso {

// The sharing command's view of the main window.
class TMainSharingView : public TSharingView {
 public:
  TMainSharingView(TfrmMain& main, TfrmSvrConfig& svrConfig, TAppState& state)
      : Main_(main), SvrConfig_(svrConfig), State_(state) {}
  void ShowTransferPanel() override { Main_.ShowTransferPanel(); }
  void UpdateSessionView() override { Main_.UpdateSessionView(); }
  void SetSharingBusy(bool busy) override { Main_.SetSharingBusy(busy); }
  void ShowShareClock(const std::string& text) override {
    Main_.stBar[1]->setText(QString::fromStdString(text));
  }
  void ShowPoints() override { Main_.ShowPoints(); }
  // What the dialog accepts is stored, as with the settings button; sharing does not start.
  void EditServerSettings() override { talvesso::EditServerSettings(SvrConfig_, State_); }

 private:
  TfrmMain& Main_;
  TfrmSvrConfig& SvrConfig_;
  TAppState& State_;
};

TServerProgram::TServerProgram(TPrompts* prompts) : Prompts_(prompts) {}

TServerProgram::~TServerProgram() {
  // The sharing control and the windows go before the file server, the state and the lock
  // they use; the file server stops its listener and threads before its feed goes.
  Sharing_.reset();
  MainWindow_.reset();
  TransferModel_.reset();
  SvrModule_.reset();
}

bool TServerProgram::Start(const TStartOptions& options) {
  if (!Prompts_) {
    WidgetPrompts_ = std::make_unique<TWidgetPrompts>(
        nullptr, [this] { return State_.Settings.Snapshot().PopupClose; });
    Prompts_ = WidgetPrompts_.get();
  }

  Lock_ = std::make_unique<TSingleInstanceLock>(QString::fromLatin1(kInstanceMutexName),
                                                options.LockFolder);
  if (!Lock_->Acquired()) {
    Prompts_->ShowMessage(TMessageKind::Error, kSecondCopyCaption, kSecondCopyText);
    Lock_.reset();
    return false;
  }

  const QString folder =
      options.ProgramFolder.isEmpty() ? ResolveProgramFolder() : options.ProgramFolder;
  State_.ProgramFolder =
      folder.endsWith(QLatin1Char('/')) ? folder.toStdString() : folder.toStdString() + "/";
  const QString key = QString::fromLatin1(kRegistryKey);
  QString registryError;
  if (!RegisterProgramFolder(key, QString::fromStdString(State_.ProgramFolder), &registryError) ||
      !WriteRegString(key, QStringLiteral("server_ver"), QString::number(kBuildNumber),
                      &registryError)) {
    // Only a record for the installer; the program works without it.
    QTextStream(stderr) << registryError << Qt::endl;
  }
  State_.BaseUrl = ReadBaseUrl(QString::fromStdString(State_.ProgramFolder));

  HttpClient_ = std::make_unique<TSharedHttpClient>();
  DownloadApi_ = std::make_unique<TServiceApi>(State_.BaseUrl);
  TransferFeed_ = std::make_unique<TTransferFeed>();
  SvrModule_ = std::make_unique<TSvrModule>(State_.Settings, *DownloadApi_, TransferFeed_.get());
  NetCheck_ = std::make_unique<TTCPChk>(ReadCheckHost(State_.ProgramFolder));
  MsgDialog_ = std::make_unique<TfrmMsgDialog>();
  if (WidgetPrompts_) {
    WidgetPrompts_ = std::make_unique<TWidgetPrompts>(
        MsgDialog_.get(), [this] { return State_.Settings.Snapshot().PopupClose; });
    Prompts_ = WidgetPrompts_.get();
  }
  CharBox_ = std::make_unique<TfrmCharBox>();
  SetupFolder_ = std::make_unique<TfrmSetupFolder>(*Prompts_, *CharBox_);
  UpdateFolder_ = std::make_unique<TfrmUpdateFolder>();
  FolderUpdate_ =
      std::make_unique<TFolderUpdateCommand>(State_, *Prompts_, *HttpClient_, *UpdateFolder_);
  SvrConfig_ = std::make_unique<TfrmSvrConfig>(*Prompts_, *CharBox_);
  Login_ = std::make_unique<TfrmLogin>(*Prompts_);
  SharePanel_ = new TShareFolderPanel(State_, *Prompts_, *SetupFolder_, *FolderUpdate_);
  MainWindow_ = std::make_unique<TfrmMain>(State_, *Prompts_, *Login_, *SvrConfig_, SharePanel_);
  WireSharing();
  return true;
}

void TServerProgram::WireSharing() {
  TTransferStore& rows = SvrModule_->StatusRecords();
  TransferModel_ = std::make_unique<TTransferListModel>(rows);
  TransferFeed_->Attach(TransferModel_.get());
  TransferPanel_ = new TTransferPanel(rows, *TransferModel_);
  MainWindow_->SetTransferPanel(TransferPanel_);

  SharingView_ = std::make_unique<TMainSharingView>(*MainWindow_, *SvrConfig_, State_);
  Sharing_ = std::make_unique<TSharingControl>(State_, *Prompts_, *SharingView_, *SvrModule_,
                                               *NetCheck_, *FolderUpdate_, *TransferPanel_);

  TfrmMain* main = MainWindow_.get();
  QObject::connect(TransferFeed_.get(), &TTransferFeed::summaryChanged, main,
                   [main](const QString& text) { main->SetTransferSummary(text); });
  QObject::connect(main, &TfrmMain::transferPanelShown, TransferModel_.get(),
                   [model = TransferModel_.get()] { model->Sync(); });
  // The file server serves the registered folders in use, and follows every change.
  QObject::connect(SharePanel_, &TShareFolderPanel::foldersChanged, Sharing_.get(),
                   [sharing = Sharing_.get()] { sharing->UpdateSharedRoots(); });

  TSvrModule* module = SvrModule_.get();
  main->SetListeningQuery([module] { return module->Listening(); });
  main->SetSharingCommand([sharing = Sharing_.get()] { sharing->btnSvrStartClick(); });

  const QString snapshot = qEnvironmentVariable(kTransferSnapshotEnv);
  if (!snapshot.isEmpty()) new TTransferSnapshot(*main, *TransferModel_, snapshot, main);
}

}  // namespace talvesso
