#include "shell/server_program.h"

#include <QTextStream>

#include "catalogue/frupdatefolder.h"
#include "common/app_constants.h"
#include "common/frmsgdlg.h"
#include "common/program_folder.h"
#include "common/registry.h"
#include "common/single_instance.h"
#include "common/widget_prompts.h"
#include "shell/frlogin.h"
#include "shell/frmain.h"
#include "store/charbox.h"
#include "store/frsetupfolder.h"
#include "store/frsvrconfig.h"
#include "store/share_folder_panel.h"
#include "webclient/service_post.h"

namespace talvesso {

TServerProgram::TServerProgram(TPrompts* prompts) : Prompts_(prompts) {}

TServerProgram::~TServerProgram() {
  // The windows go before the state and the lock they use.
  MainWindow_.reset();
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
  return true;
}

}  // namespace talvesso
