// The main window's frame: toolbar, panels, status bar, session look, tab switching and the
// rules for closing.
#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>

#include "shell/account.h"
#include "shell/app_state.h"
#include "shell/frmain.h"
#include "store/share_folder_panel.h"
#include "store/share_folder_store.h"
#include "ui/shell_fixture.h"

using namespace talvesso;
using namespace talvesso::test;

namespace {

struct TWindowBench {
  TShellSandbox Sandbox;
  TRunningProgram Running;
  bool Start() {
    if (!Sandbox.StartBackend()) return false;
    Sandbox.PointAtBackend();
    return Running.StartAndShow(Sandbox.Options());
  }
  TfrmMain& Main() { return Running.Program.MainWindow(); }
  TAppState& State() { return Running.Program.State(); }
  void LogIn() { Main().Account().LogIn(false, kDemoId, kDemoPassword); }
};

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT
 private slots:
  void frame() {
    TWindowBench bench;
    QVERIFY(bench.Start());
    TfrmMain& main = bench.Main();
    QCOMPARE(main.size(), QSize(753, 584));
    auto* toolbar = main.findChild<QToolBar*>();
    QVERIFY(toolbar);
    QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QStringList captions;
    QList<bool> separators;
    bool pendingSeparator = false;
    for (QAction* action : toolbar->actions()) {
      if (action->isSeparator()) {
        pendingSeparator = true;
        continue;
      }
      captions << action->text();
      separators << pendingSeparator;
      pendingSeparator = false;
    }
    QCOMPARE(captions, (QStringList{"로 그 인", "환경설정", "서버시작", "공유설정", "전송상태",
                                    "트레이로", "홈페이지"}));
    QCOMPARE(separators, (QList<bool>{false, true, true, true, false, true, true}));

    QCOMPARE(main.pnlHomePage->windowTitle(), QStringLiteral("  홈페이지"));
    QCOMPARE(main.pnlShareFolder->windowTitle(), QStringLiteral("   서버 디렉토리 공유설정"));
    QCOMPARE(main.pnlSendStatus->windowTitle(), QStringLiteral("   파일 전송상태"));
    QVERIFY(!main.pnlShareFolder->features().testFlag(QDockWidget::DockWidgetFloatable));
    QVERIFY(main.pnlHomePage->features().testFlag(QDockWidget::DockWidgetFloatable));
    QVERIFY(main.pnlSendStatus->features().testFlag(QDockWidget::DockWidgetFloatable));
    QCOMPARE(main.tabifiedDockWidgets(main.pnlHomePage).size(), 2);

    const int widths[4] = {120, 160, 160, 250};
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(main.stBar[i]->width(), widths[i]);
      QVERIFY(main.stBar[i]->alignment().testFlag(Qt::AlignHCenter));
    }
    QCOMPARE(main.JvTrayIcon1->toolTip(), QStringLiteral("벨토마르 P2P 서버"));
    // Logged out look; sharing is not wired yet, so its button is off.
    QCOMPARE(main.stBar[0]->text(), QStringLiteral("로그인 필요"));
    QVERIFY(!main.btnServerCfg->isEnabled());
    QVERIFY(!main.btnSvrStart->isEnabled());
  }

  void sessionLookFollowsLoginAndListening() {
    TWindowBench bench;
    QVERIFY(bench.Start());
    TfrmMain& main = bench.Main();
    const QIcon loggedOutIcon = main.btnLogin->icon();
    bool listening = false;
    main.SetListeningQuery([&listening] { return listening; });
    main.SetSharingCommand([] {});
    QVERIFY(!main.btnSvrStart->isEnabled());
    bench.LogIn();
    QVERIFY(bench.State().LoggedIn);
    QVERIFY(main.btnSvrStart->isEnabled());
    QCOMPARE(main.btnLogin->text(), QStringLiteral("로그아웃"));
    QVERIFY(main.btnLogin->icon().cacheKey() != loggedOutIcon.cacheKey());
    QCOMPARE(main.btnSvrStart->text(), QStringLiteral("서버시작"));
    const qint64 startIcon = main.btnSvrStart->icon().cacheKey();
    listening = true;
    main.UpdateSessionView();
    QCOMPARE(main.btnSvrStart->text(), QStringLiteral("서버중지"));
    QVERIFY(main.btnSvrStart->icon().cacheKey() != startIcon);
    QCOMPARE(main.stBar[0]->text(), QStringLiteral("서버: 시작됨"));
  }

  // A registered folder is not shown while nobody is logged in; logging in shows it,
  // logging out and in again shows it again.
  void sharePanelFollowsTheLogin() {
    TWindowBench bench;
    QVERIFY(bench.Start());
    TShareFolderNodeData folder;
    folder.Name = "자료";
    folder.Path = bench.Sandbox.Program.Path().string();
    folder.Use = 1;
    InsertFolderRow(bench.State().Databases.DB, folder);
    QTableView* list = bench.Running.Program.SharePanel().lvShareFolder;

    bench.Main().btnShareCfg->trigger();
    QCOMPARE(list->model()->rowCount(), 0);

    bench.LogIn();
    QCOMPARE(list->model()->rowCount(), 1);
    bench.Main().btnLogin->trigger();  // logout
    bench.Main().btnAbout->trigger();
    // The member clicks the folder panel's tab.
    QTabBar* tabs = nullptr;
    for (QTabBar* bar : bench.Main().findChildren<QTabBar*>()) {
      if (bar->count() == 3) tabs = bar;
    }
    QVERIFY(tabs);
    for (int i = 0; i < tabs->count(); ++i) {
      if (tabs->tabText(i) == QStringLiteral("   서버 디렉토리 공유설정")) tabs->setCurrentIndex(i);
    }
    QCOMPARE(ActivePanel(&bench.Main()), QStringLiteral("   서버 디렉토리 공유설정"));
    QCOMPARE(list->model()->rowCount(), 0);
    bench.LogIn();
    QCOMPARE(list->model()->rowCount(), 1);
  }

  void panelButtons() {
    TWindowBench bench;
    QVERIFY(bench.Start());
    TfrmMain& main = bench.Main();
    int transferShown = 0;
    QObject::connect(&main, &TfrmMain::transferPanelShown, [&transferShown] { ++transferShown; });
    QCOMPARE(ActivePanel(&main), QStringLiteral("  홈페이지"));
    main.btnSendStatus->trigger();
    QCOMPARE(ActivePanel(&main), QStringLiteral("   파일 전송상태"));
    QCOMPARE(transferShown, 1);
    main.btnAbout->trigger();
    QCOMPARE(ActivePanel(&main), QStringLiteral("  홈페이지"));
    main.btnShareCfg->trigger();
    QCOMPARE(ActivePanel(&main), QStringLiteral("   서버 디렉토리 공유설정"));
  }

  void closeWhileListeningOnlyHides() {
    TWindowBench bench;
    QVERIFY(bench.Start());
    bench.LogIn();
    bench.Main().SetListeningQuery([] { return true; });
    QVERIFY(!bench.Main().close());
    QVERIFY(bench.State().LoggedIn);
    // No notification area offscreen: hidden means minimised.
    QVERIFY(QTest::qWaitFor([&] { return bench.Main().isMinimized() || !bench.Main().isVisible(); },
                            3000));
    QVERIFY(bench.Running.Prompts.Notices.empty());
    bench.Main().RestoreFromTray();
    QVERIFY(bench.Main().isVisible());
    QVERIFY(!bench.Main().isMinimized());
  }

  void closeLoggedInLogsOutThenEnds() {
    TWindowBench bench;
    QVERIFY(bench.Start());
    QVERIFY(bench.Running.WaitStartup());  // the update check is behind us
    bench.LogIn();
    const int requests = bench.Sandbox.BackendPaths().filter(".php").size();
    QVERIFY(bench.Main().close());
    QVERIFY(!bench.State().LoggedIn);
    QCOMPARE(bench.Running.Prompts.Notices.back().Line1, std::string("로그아웃 되었습니다."));
    QCOMPARE(bench.Sandbox.BackendPaths().filter(".php").size(), requests);
  }

  void closeLoggedOutEndsSilently() {
    TWindowBench bench;
    QVERIFY(bench.Start());
    QVERIFY(bench.Main().close());
    QVERIFY(bench.Running.Prompts.Notices.empty());
  }
};

QTEST_MAIN(TestMainWindow)
#include "shell_main_window_test.moc"
