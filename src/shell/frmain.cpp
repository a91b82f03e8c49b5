#include "shell/frmain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "common/app_constants.h"
#include "common/artwork.h"
#include "common/event_loop_wait.h"
#include "common/prompts.h"
#include "common/text_format.h"
#include "diagnostics/frdown.h"
#include "shell/app_state.h"
#include "shell/frlogin.h"
#include "shell/home_panel.h"
#include "store/frsvrconfig.h"
#include "store/local_databases.h"
#include "store/server_config_store.h"
#include "store/share_folder_panel.h"
#include "webclient/service_api.h"

namespace talvesso {

namespace {

constexpr int kStatusWidths[4] = {120, 160, 160, 250};

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// The transfer panel until the sharing control brings its list: the list frame and the
// clean-up button, both inert.
QWidget* InertTransferPanel(QWidget* parent) {
  auto* panel = new QWidget(parent);
  auto* list = new QTableView(panel);
  list->setObjectName(QStringLiteral("lvSendStatus"));
  list->setEnabled(false);
  list->horizontalHeader()->setVisible(false);
  list->verticalHeader()->setVisible(false);
  auto* refresh = new QPushButton(QStringLiteral("전송완료/에러/취소 목록에서 제거"), panel);
  refresh->setObjectName(QStringLiteral("btnRefresh"));
  refresh->setEnabled(false);
  auto* bar = new QHBoxLayout;
  bar->addStretch(1);
  bar->addWidget(refresh);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(list, 1);
  layout->addLayout(bar);
  return panel;
}

}  // namespace

TfrmMain::TfrmMain(TAppState& state, TPrompts& prompts, TfrmLogin& login, TfrmSvrConfig& svrConfig,
                   TShareFolderPanel* sharePanel, QWidget* parent)
    : QMainWindow(parent),
      State_(state),
      Prompts_(prompts),
      SvrConfig_(svrConfig),
      SharePanel_(sharePanel) {
  setObjectName(QStringLiteral("frmMain"));
  InitArtwork();
  Account_ = std::make_unique<TAccount>(state, prompts, login, *this);
  ListeningQuery_ = [] { return false; };

  // FormCreate
  State_.LoggedIn = false;
  State_.AutoUpdating = false;
  State_.ShareStarted = false;
  setWindowTitle(Utf8(kMainCaption));
  setWindowIcon(ArtIcon(QStringLiteral("app")));
  setFixedSize(753, 584);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  BuildToolbar();
  BuildPanels(sharePanel);
  BuildStatusBar();

  JvTrayIcon1 = new QSystemTrayIcon(ArtIcon(QStringLiteral("tray")), this);
  JvTrayIcon1->setToolTip(Utf8(kTrayHint));
  connect(JvTrayIcon1, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
              RestoreFromTray();
            }
          });
  if (QSystemTrayIcon::isSystemTrayAvailable()) JvTrayIcon1->show();

  UpdateSessionView();

  tmrStart = new QTimer(this);
  tmrStart->setObjectName(QStringLiteral("tmrStart"));
  tmrStart->setInterval(kStartDelayMs);
  connect(tmrStart, &QTimer::timeout, this, &TfrmMain::tmrStartTimer);
  tmrStart->start();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::BuildToolbar() {
  auto* toolbar = new QToolBar(QStringLiteral("toolbar"), this);
  toolbar->setObjectName(QStringLiteral("barMain"));
  toolbar->setMovable(false);
  toolbar->setFloatable(false);
  toolbar->setIconSize(QSize(32, 32));
  toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
  toolbar->setStyleSheet(QStringLiteral("QToolButton { min-width: 62px; padding: 3px 4px; }"));
  addToolBar(Qt::TopToolBarArea, toolbar);

  auto add = [&](const char* name, const char* caption, const char* icon) {
    QAction* action = toolbar->addAction(ArtIcon(QString::fromLatin1(icon)), Utf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  btnLogin = add("btnLogin", "로 그 인", "login");
  toolbar->addSeparator();
  btnServerCfg = add("btnServerCfg", "환경설정", "settings");
  toolbar->addSeparator();
  btnSvrStart = add("btnSvrStart", "서버시작", "start");
  toolbar->addSeparator();
  btnShareCfg = add("btnShareCfg", "공유설정", "share");
  btnSendStatus = add("btnSendStatus", "전송상태", "transfer");
  toolbar->addSeparator();
  btnGoTray = add("btnGoTray", "트레이로", "totray");
  toolbar->addSeparator();
  btnAbout = add("btnAbout", "홈페이지", "home");

  connect(btnLogin, &QAction::triggered, this, [this] { Account_->btnLoginClick(); });
  connect(btnServerCfg, &QAction::triggered, this, &TfrmMain::btnServerCfgClick);
  connect(btnSvrStart, &QAction::triggered, this, &TfrmMain::btnSvrStartClick);
  connect(btnShareCfg, &QAction::triggered, this, [this] { ShowSharePanel(false); });
  connect(btnSendStatus, &QAction::triggered, this, &TfrmMain::ShowTransferPanel);
  connect(btnGoTray, &QAction::triggered, this, &TfrmMain::HideToTray);
  connect(btnAbout, &QAction::triggered, this, [this] { ShowHomePanel(true); });
}

void TfrmMain::BuildPanels(TShareFolderPanel* sharePanel) {
  // The panels fill the window; there is no central widget.
  setDockNestingEnabled(false);
  setTabPosition(Qt::AllDockWidgetAreas, QTabWidget::North);
  setDocumentMode(false);

  WB = new THomePanel(this);
  WB->setObjectName(QStringLiteral("WB"));
  pnlHomePage = new QDockWidget(QStringLiteral("  홈페이지"), this);
  pnlHomePage->setObjectName(QStringLiteral("pnlHomePage"));
  pnlHomePage->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  pnlHomePage->setWidget(WB);

  pnlShareFolder = new QDockWidget(QStringLiteral("   서버 디렉토리 공유설정"), this);
  pnlShareFolder->setObjectName(QStringLiteral("pnlShareFolder"));
  pnlShareFolder->setFeatures(QDockWidget::DockWidgetMovable);
  pnlShareFolder->setAllowedAreas(Qt::LeftDockWidgetArea);
  if (sharePanel) pnlShareFolder->setWidget(sharePanel);

  pnlSendStatus = new QDockWidget(QStringLiteral("   파일 전송상태"), this);
  pnlSendStatus->setObjectName(QStringLiteral("pnlSendStatus"));
  pnlSendStatus->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  pnlSendStatus->setWidget(InertTransferPanel(pnlSendStatus));

  for (QDockWidget* dock : {pnlHomePage, pnlShareFolder, pnlSendStatus}) {
    addDockWidget(Qt::LeftDockWidgetArea, dock);
  }
  tabifyDockWidget(pnlHomePage, pnlShareFolder);
  tabifyDockWidget(pnlShareFolder, pnlSendStatus);
  pnlHomePage->raise();
  connect(this, &QMainWindow::tabifiedDockWidgetActivated, this,
          &TfrmMain::dockMainActiveChildChanged);
}

void TfrmMain::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("stBar"));
  bar->setSizeGripEnabled(false);
  for (int i = 0; i < 4; ++i) {
    stBar[i] = new QLabel(bar);
    stBar[i]->setObjectName(QStringLiteral("stBar%1").arg(i));
    stBar[i]->setAlignment(Qt::AlignCenter);
    stBar[i]->setFixedWidth(kStatusWidths[i]);
    stBar[i]->setFrameShape(QFrame::Panel);
    stBar[i]->setFrameShadow(QFrame::Sunken);
    bar->addWidget(stBar[i]);
  }
}

bool TfrmMain::Listening() const { return ListeningQuery_(); }

void TfrmMain::SetListeningQuery(std::function<bool()> listening) {
  ListeningQuery_ = std::move(listening);
  UpdateSessionView();
}

void TfrmMain::SetSharingCommand(std::function<void()> command) {
  SharingCommand_ = std::move(command);
  UpdateSessionView();
}

void TfrmMain::SetTransferPanel(QWidget* content) {
  QWidget* old = pnlSendStatus->widget();
  pnlSendStatus->setWidget(content);
  delete old;
}

void TfrmMain::btnSvrStartClick() {
  if (SharingCommand_) SharingCommand_();
}

void TfrmMain::SetSharingBusy(bool busy) {
  SharingBusy_ = busy;
  UpdateSessionView();
}

void TfrmMain::UpdateSessionView() {
  const bool loggedIn = State_.LoggedIn;
  if (loggedIn) {
    btnLogin->setIcon(ArtIcon(QStringLiteral("logout")));
    btnLogin->setText(QStringLiteral("로그아웃"));
  } else {
    btnLogin->setIcon(ArtIcon(QStringLiteral("login")));
    btnLogin->setText(QStringLiteral("로 그 인"));
    stBar[0]->setText(Utf8(kLoginRequired));
  }
  btnServerCfg->setEnabled(loggedIn);
  if (SharePanel_) SharePanel_->SetLoggedIn(loggedIn);

  // Sharing itself is not wired yet when no command is set: the button stays disabled.
  btnSvrStart->setEnabled(loggedIn && SharingCommand_ != nullptr && !SharingBusy_);
  if (loggedIn) {
    if (Listening()) {
      btnSvrStart->setIcon(ArtIcon(QStringLiteral("stop")));
      btnSvrStart->setText(QStringLiteral("서버중지"));
      stBar[0]->setText(Utf8(kServerStarted));
    } else {
      btnSvrStart->setIcon(ArtIcon(QStringLiteral("start")));
      btnSvrStart->setText(QStringLiteral("서버시작"));
      stBar[0]->setText(Utf8(kServerStopped));
    }
  }
}

void TfrmMain::ShowLoggedOutStatus() {
  stBar[1]->clear();
  stBar[2]->clear();
  stBar[3]->setText(Utf8(kProductBanner));
}

void TfrmMain::ShowPoints() {
  stBar[2]->setText(QString::fromStdString(PointsText(State_.Settings.Snapshot().UserPoint)));
}

void TfrmMain::SetTransferSummary(const QString& text) { stBar[3]->setText(text); }

void TfrmMain::ShowIdleTransferSummary() {
  // No sessions and no transfers yet: a zero speed and no connections.
  const int maxConn = State_.Settings.Snapshot().MaxConn;
  SetTransferSummary(QStringLiteral("전송상태: ") + QString::fromStdString(FormatByteSize(0)) +
                     QStringLiteral("/Sec (0/") + QString::number(maxConn) + QStringLiteral(")"));
}

void TfrmMain::RaisePanel(QDockWidget* dock) {
  // Bringing a tab forward from the code must not run the tab-change handler again.
  RaisingPanel_ = true;
  dock->raise();
  RaisingPanel_ = false;
}

void TfrmMain::ShowHomePanel(bool load) {
  RaisePanel(pnlHomePage);
  if (load) WB->Navigate(HomePageUrl(State_.BaseUrl));
}

void TfrmMain::ShowSharePanel(bool reload) {
  RaisePanel(pnlShareFolder);
  if (!SharePanel_) return;
  if (!State_.LoggedIn) {
    SharePanel_->EmptyListView();
  } else if (reload) {
    SharePanel_->ClearFolderList();
    SharePanel_->LoadFolderList();
  }
}

void TfrmMain::ShowTransferPanel() {
  emit transferPanelShown();
  RaisePanel(pnlSendStatus);
}

void TfrmMain::dockMainActiveChildChanged(QDockWidget* dock) {
  if (RaisingPanel_) return;
  if (dock == pnlHomePage) {
    ShowHomePanel(false);
  } else if (dock == pnlShareFolder) {
    ShowSharePanel(false);
  } else if (dock == pnlSendStatus) {
    ShowTransferPanel();
  }
}

void TfrmMain::HideToTray() {
  // Without a notification area there is nothing to restore from: minimise instead.
  if (QSystemTrayIcon::isSystemTrayAvailable() && JvTrayIcon1->isVisible()) {
    hide();
  } else {
    showMinimized();
  }
}

void TfrmMain::RestoreFromTray() {
  showNormal();
  raise();
  activateWindow();
}

void TfrmMain::btnServerCfgClick() { EditServerSettings(SvrConfig_, State_); }

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The first showing's work runs right after the window is on screen.
  if (!FirstShowDone_ && !FirstShowQueued_) {
    FirstShowQueued_ = true;
    QMetaObject::invokeMethod(this, &TfrmMain::FormShow, Qt::QueuedConnection);
  }
}

void TfrmMain::FormShow() {
  FirstShowQueued_ = false;
  if (FirstShowDone_) return;
  setWindowTitle(Utf8(kMainCaption) + QString::number(kBuildNumber));
  stBar[1]->clear();
  stBar[2]->clear();
  stBar[3]->setText(Utf8(kProductBanner));

  if (OpenLocalDatabases(State_.ProgramFolder, State_.Databases) != TOpenResult::Ok) {
    tmrStart->stop();  // the program ends; nothing else is started
    Prompts_.ShowNotice(kNoticeInfo, kDatabaseFailed, "");
    emit firstShowFinished(false);
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return;
  }
  TServerConfig loaded;
  LoadServerConfig(State_.Databases.DB, loaded);
  State_.Settings.Replace(loaded);
  ShowHomePanel(true);
  ShowIdleTransferSummary();
  FirstShowDone_ = true;
  emit firstShowFinished(true);
}

void TfrmMain::tmrStartTimer() {
  tmrStart->stop();
  const std::string baseUrl = State_.BaseUrl;
  const int32_t newest =
      AwaitInEventLoop([&baseUrl] { return TServiceApi(baseUrl).QueryServerVersion(); });
  if (newest > kBuildNumber) {
    if (RunSelfUpdate(this, State_, newest)) {
      close();
      emit startupFinished();
      return;
    }
  }
  const TServerConfig config = State_.Settings.Snapshot();
  if (config.AutoLogin == 1) {
    Account_->LogIn(false, config.UserID, config.UserPass);
    if (State_.LoggedIn && config.AutoShare == 1) {
      btnSvrStartClick();
    } else if (State_.LoggedIn) {
      Prompts_.ShowNotice(kNoticeInfo, kAutoLoginDone, "");
    } else {
      Prompts_.ShowNotice(kNoticeError, kAutoLoginFailed, kCheckStoredLogin);
    }
  }
  emit startupFinished();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (Listening()) {
    HideToTray();
    event->ignore();
    return;
  }
  if (!Account_->LogOut()) {
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace talvesso
