#include "shell/screenshot_tour.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "catalogue/frupdatefolder.h"
#include "common/frmsgdlg.h"
#include "diagnostics/frdown.h"
#include "shell/account.h"
#include "shell/frlogin.h"
#include "shell/frmain.h"
#include "shell/home_panel.h"
#include "shell/server_program.h"
#include "store/charbox.h"
#include "store/frsetupfolder.h"
#include "store/frsvrconfig.h"
#include "store/share_folder_store.h"

namespace talvesso {

namespace {

void Settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void Save(QWidget& widget, const QString& folder, const QString& name) {
  const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
  if (!widget.grab().save(path)) qWarning("screenshot not written: %s", qPrintable(path));
}

// Shows a window without blocking, saves it, hides it again.
void ShowAndSave(QWidget& widget, const QString& folder, const QString& name) {
  widget.show();
  widget.raise();
  Settle(400);
  Save(widget, folder, name);
  widget.hide();
}

void RunTour(TServerProgram& program, const QString& folder) {
  TfrmMain& main = program.MainWindow();
  Settle(1500);  // the home page
  Save(main, folder, QStringLiteral("main_home"));

  const QString login = qEnvironmentVariable(kScreenshotLoginEnv);
  const qsizetype colon = login.indexOf(QLatin1Char(':'));
  if (colon > 0 && !program.State().LoggedIn) {
    main.Account().LogIn(false, login.left(colon).toStdString(),
                         login.mid(colon + 1).toStdString());
  }
  // Demo folders for the folder panel (the tour runs on a throw-away program folder).
  const QString demoFolders = qEnvironmentVariable(kScreenshotFoldersEnv);
  if (!demoFolders.isEmpty() && program.State().LoggedIn &&
      LoadFolderRows(program.State().Databases.DB).empty()) {
    int search = 1;
    for (const QFileInfo& entry :
         QDir(demoFolders).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
      TShareFolderNodeData folder;
      folder.Name = entry.fileName().toStdString();
      folder.Path = entry.absoluteFilePath().toStdString();
      folder.Use = 1;
      folder.Search = search;
      search = 1 - search;
      InsertFolderRow(program.State().Databases.DB, folder);
    }
  }
  main.ShowSharePanel(true);
  Settle(400);
  Save(main, folder, QStringLiteral("main_share"));
  main.ShowTransferPanel();
  Settle(300);
  Save(main, folder, QStringLiteral("main_transfer"));
  main.ShowHomePanel(false);

  TfrmLogin& loginDialog = program.LoginDialog();
  loginDialog.edtID->setText(QStringLiteral("demo"));
  loginDialog.edtPass->clear();
  ShowAndSave(loginDialog, folder, QStringLiteral("dialog_login"));
  ShowAndSave(program.SvrConfigDialog(), folder, QStringLiteral("dialog_settings"));
  ShowAndSave(program.SetupFolderDialog(), folder, QStringLiteral("dialog_folder"));
  ShowAndSave(program.CharBox(), folder, QStringLiteral("dialog_charbox"));
  ShowAndSave(program.UpdateFolderWindow(), folder, QStringLiteral("window_update_folder"));
  TfrmDown down;
  ShowAndSave(down, folder, QStringLiteral("window_download"));

  TfrmMsgDialog& notice = program.MsgDialog();
  QTimer::singleShot(500, &notice, [&notice, folder] {
    Save(notice, folder, QStringLiteral("notice"));
    notice.accept();
  });
  notice.ShowNotice(QStringLiteral("안 내"), QStringLiteral("로그인 되었습니다."), QString(), 3);

  QApplication::exit(0);
}

}  // namespace

bool StartScreenshotTour(TServerProgram& program) {
  const QString folder = qEnvironmentVariable(kScreenshotEnv);
  if (folder.isEmpty()) return false;
  QDir().mkpath(folder);
  TfrmMain& main = program.MainWindow();
  QObject::connect(
      &main, &TfrmMain::startupFinished, &main, [&program, folder] { RunTour(program, folder); },
      Qt::QueuedConnection);
  return true;
}

}  // namespace talvesso
