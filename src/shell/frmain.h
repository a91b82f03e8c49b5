// The main window: toolbar, the three tabbed panels (home page, shared folders, transfers),
// the four-panel status bar, the tray icon, the first showing and the one-shot start-up.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "shell/account.h"
#include "shell/shell_texts.h"

class QAction;
class QDockWidget;
class QLabel;
class QSystemTrayIcon;
class QTimer;

namespace talvesso {

struct TAppState;
class TPrompts;
class TfrmLogin;
class TfrmSvrConfig;
class TShareFolderPanel;
class THomePanel;

inline constexpr int kStartDelayMs = 1000;

class TfrmMain : public QMainWindow, public TAccountView {
  Q_OBJECT
 public:
  // `sharePanel` becomes the content of the shared-folder panel (the window owns it then).
  TfrmMain(TAppState& state, TPrompts& prompts, TfrmLogin& login, TfrmSvrConfig& svrConfig,
           TShareFolderPanel* sharePanel, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // TAccountView
  bool Listening() const override;
  void UpdateSessionView() override;
  void ShowSharePanel(bool reload) override;
  void ShowLoggedOutStatus() override;

  void ShowHomePanel(bool load);
  void ShowTransferPanel();
  void HideToTray();
  void RestoreFromTray();
  // Status panel 2 <- "내포인트: " and the balance.
  void ShowPoints();
  void SetTransferSummary(const QString& text);
  TAccount& Account() { return *Account_; }
  bool FirstShowDone() const { return FirstShowDone_; }

  // Where the sharing control plugs in: whether the file server listens, the start/stop
  // command of btnSvrStart (the button stays disabled until one is set), and the transfer
  // panel's content.
  void SetListeningQuery(std::function<bool()> listening);
  void SetSharingCommand(std::function<void()> command);
  void SetTransferPanel(QWidget* content);
  void btnSvrStartClick();
  // btnSvrStart is disabled while the start/stop command runs (busy), whatever else happens
  // meanwhile; afterwards it follows the login state again.
  void SetSharingBusy(bool busy);

  // Toolbar
  QAction* btnLogin = nullptr;
  QAction* btnServerCfg = nullptr;
  QAction* btnSvrStart = nullptr;
  QAction* btnShareCfg = nullptr;
  QAction* btnSendStatus = nullptr;
  QAction* btnGoTray = nullptr;
  QAction* btnAbout = nullptr;
  // Panels, status bar, tray, timer
  QDockWidget* pnlHomePage = nullptr;
  QDockWidget* pnlShareFolder = nullptr;
  QDockWidget* pnlSendStatus = nullptr;
  THomePanel* WB = nullptr;
  QLabel* stBar[4] = {};
  QSystemTrayIcon* JvTrayIcon1 = nullptr;
  QTimer* tmrStart = nullptr;

 signals:
  // The first showing ended: databases open and settings loaded (ok), or it failed.
  void firstShowFinished(bool ok);
  // The one-shot start-up sequence (update check, automatic login) has run.
  void startupFinished();
  // The transfer panel is about to come to the front (the list refreshes its row count).
  void transferPanelShown();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildToolbar();
  void BuildPanels(TShareFolderPanel* sharePanel);
  void BuildStatusBar();
  void FormShow();
  void tmrStartTimer();
  void btnServerCfgClick();
  void dockMainActiveChildChanged(QDockWidget* dock);
  void RaisePanel(QDockWidget* dock);
  void ShowIdleTransferSummary();

  TAppState& State_;
  TPrompts& Prompts_;
  TfrmSvrConfig& SvrConfig_;
  TShareFolderPanel* SharePanel_ = nullptr;
  std::unique_ptr<TAccount> Account_;
  std::function<bool()> ListeningQuery_;
  std::function<void()> SharingCommand_;
  bool SharingBusy_ = false;
  bool FirstShowDone_ = false;
  bool FirstShowQueued_ = false;
  bool RaisingPanel_ = false;
};

}  // namespace talvesso
