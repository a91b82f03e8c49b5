// Login through the real dialog against the stand-in backend: the choice codes, what is sent,
// what is stored, the answers and notices; the local logout.
#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "shell/account.h"
#include "shell/app_state.h"
#include "shell/frlogin.h"
#include "shell/frmain.h"
#include "ui/shell_fixture.h"

using namespace talvesso;
using namespace talvesso::test;

namespace {

// Fills the dialog when it shows, sets the boxes and presses "로그인".
void AnswerDialog(TfrmLogin& dialog, const QString& id, const QString& password, bool saveId,
                  bool savePass) {
  WhenShown(&dialog, [&dialog, id, password, saveId, savePass] {
    dialog.edtID->setText(id);
    dialog.edtPass->setText(password);
    dialog.chkSaveID->setChecked(saveId);
    dialog.chkSavePass->setChecked(savePass);
    QTest::mouseClick(dialog.btnLogin, Qt::LeftButton);
  });
}

struct TLoginBench {
  TShellSandbox Sandbox;
  TRunningProgram Running;
  bool Start(const TServerConfig* seed = nullptr, bool backend = true) {
    if (backend) {
      if (!Sandbox.StartBackend()) return false;
      Sandbox.PointAtBackend();
    } else {
      Sandbox.PointAt("http://127.0.0.1:1/\n");
    }
    if (seed) Sandbox.SeedSettings(*seed);
    return Running.StartAndShow(Sandbox.Options());
  }
  TfrmMain& Main() { return Running.Program.MainWindow(); }
  TfrmLogin& Dialog() { return Running.Program.LoginDialog(); }
  TAppState& State() { return Running.Program.State(); }
  TFakePrompts& Prompts() { return Running.Prompts; }
};

}  // namespace

class TestLogin : public QObject {
  Q_OBJECT
 private slots:
  void choiceCodes_data() {
    QTest::addColumn<bool>("saveId");
    QTest::addColumn<bool>("savePass");
    QTest::addColumn<int>("code");
    QTest::newRow("neither") << false << false << 100;
    QTest::newRow("id") << true << false << 101;
    QTest::newRow("password") << false << true << 102;
    QTest::newRow("both") << true << true << 103;
  }
  void choiceCodes() {
    QFETCH(bool, saveId);
    QFETCH(bool, savePass);
    QFETCH(int, code);
    TFakePrompts prompts;
    TfrmLogin dialog(prompts);
    AnswerDialog(dialog, QStringLiteral("a"), QStringLiteral("b"), saveId, savePass);
    QCOMPARE(dialog.Ask(QString(), QString()), code);
  }

  void tickingSavePasswordTicksSaveId() {
    TFakePrompts prompts;
    TfrmLogin dialog(prompts);
    QVERIFY(dialog.chkSaveID->isChecked());  // as the program starts
    QVERIFY(!dialog.chkSavePass->isChecked());
    int code = 0;
    WhenShown(&dialog, [&dialog] {
      dialog.chkSaveID->setChecked(false);
      QTest::mouseClick(dialog.chkSavePass, Qt::LeftButton);
      QVERIFY(dialog.chkSaveID->isChecked());
      QTest::mouseClick(dialog.chkSaveID, Qt::LeftButton);  // untick: password only
      QTest::mouseClick(dialog.btnLogin, Qt::LeftButton);
    });
    code = dialog.Ask(QStringLiteral("a"), QStringLiteral("b"));
    QCOMPARE(code, 102);
  }

  void blankBoxesKeepTheDialogOpen() {
    TFakePrompts prompts;
    TfrmLogin dialog(prompts);
    WhenShown(&dialog, [&] {
      dialog.edtID->setText(QStringLiteral("   "));
      dialog.edtPass->setText(QStringLiteral("x"));
      QTest::mouseClick(dialog.btnLogin, Qt::LeftButton);
      QVERIFY(dialog.isVisible());
      QCOMPARE(prompts.Messages.back().Text, std::string("아이디를 입력해 주십시요!"));
      dialog.edtID->setText(QStringLiteral("id"));
      dialog.edtPass->setText(QStringLiteral(" "));
      QTest::mouseClick(dialog.btnLogin, Qt::LeftButton);
      QVERIFY(dialog.isVisible());
      QCOMPARE(prompts.Messages.back().Text, std::string("패스워드를 입력해 주십시요!"));
      dialog.reject();
    });
    QCOMPARE(dialog.Ask(QString(), QString()), 0);
    QCOMPARE(prompts.Messages.size(), size_t(2));
  }

  void enterMovesFromIdToPasswordThenLogsIn() {
    TFakePrompts prompts;
    TfrmLogin dialog(prompts);
    WhenShown(&dialog, [&dialog] {
      QTest::keyClick(dialog.edtID, Qt::Key_Return);
      QVERIFY(dialog.isVisible());
      QVERIFY(dialog.edtPass->hasFocus());
      QTest::keyClick(dialog.edtPass, Qt::Key_Return);
    });
    QCOMPARE(dialog.Ask(QStringLiteral("id"), QStringLiteral("pw")), 101);
  }

  void successfulLoginWithBothBoxes() {
    TLoginBench bench;
    QVERIFY(bench.Start());
    AnswerDialog(bench.Dialog(), QStringLiteral("  demo "), QString::fromUtf8(kDemoPassword), true,
                 true);
    bench.Main().btnLogin->trigger();

    QVERIFY(bench.State().LoggedIn);
    const TServerConfig config = bench.State().Settings.Snapshot();
    QCOMPARE(config.UserID, std::string(kDemoId));  // sent and kept trimmed
    QCOMPARE(config.UserPNo, kDemoPNo);
    QCOMPARE(config.UserPoint, kDemoPoints);
    QCOMPARE(bench.Prompts().Notices.size(), size_t(1));
    QCOMPARE(bench.Prompts().Notices[0].Title, std::string("로그인"));
    QCOMPARE(bench.Prompts().Notices[0].Line1, std::string("로그인 되었습니다."));
    QCOMPARE(bench.Main().btnLogin->text(), QStringLiteral("로그아웃"));
    QVERIFY(bench.Main().btnServerCfg->isEnabled());
    QCOMPARE(bench.Main().stBar[0]->text(), QStringLiteral("서버: 중지됨"));
    // The folder panel came to the front.
    QCOMPARE(ActivePanel(&bench.Main()), QStringLiteral("   서버 디렉토리 공유설정"));

    const TServerConfig stored = bench.Sandbox.StoredSettings();
    QCOMPARE(stored.SaveID, 1);
    QCOMPARE(stored.SavePass, 1);
    QCOMPARE(stored.UserID, std::string(kDemoId));
    QCOMPARE(stored.UserPass, std::string(kDemoPassword));

    // Log out, then the next press prefills both boxes.
    bench.Main().btnLogin->trigger();
    QVERIFY(!bench.State().LoggedIn);
    QString shownId, shownPass;
    WhenShown(&bench.Dialog(), [&] {
      shownId = bench.Dialog().edtID->text();
      shownPass = bench.Dialog().edtPass->text();
      bench.Dialog().reject();
    });
    bench.Main().btnLogin->trigger();
    QCOMPARE(shownId, QString::fromUtf8(kDemoId));
    QCOMPARE(shownPass, QString::fromUtf8(kDemoPassword));
    QVERIFY(!bench.State().LoggedIn);  // cancelled
  }

  void withoutBoxesTheRowIsNotWritten() {
    TServerConfig seed;
    seed.UserID = "olduser";
    seed.UserPass = "oldpass";
    seed.SaveID = 1;
    seed.SavePass = 0;
    TLoginBench bench;
    QVERIFY(bench.Start(&seed));
    QString shownId, shownPass;
    WhenShown(&bench.Dialog(), [&] {
      shownId = bench.Dialog().edtID->text();
      shownPass = bench.Dialog().edtPass->text();  // SavePass 0: not prefilled
      bench.Dialog().edtID->setText(QString::fromUtf8(kDemoId));
      bench.Dialog().edtPass->setText(QString::fromUtf8(kDemoPassword));
      bench.Dialog().chkSaveID->setChecked(false);
      bench.Dialog().chkSavePass->setChecked(false);
      QTest::mouseClick(bench.Dialog().btnLogin, Qt::LeftButton);
    });
    bench.Main().btnLogin->trigger();
    QCOMPARE(shownId, QStringLiteral("olduser"));
    QCOMPARE(shownPass, QString());
    QVERIFY(bench.State().LoggedIn);
    const TServerConfig stored = bench.Sandbox.StoredSettings();
    QCOMPARE(stored.UserID, std::string("olduser"));
    QCOMPARE(stored.UserPass, std::string("oldpass"));
    QCOMPARE(stored.SaveID, 1);
  }

  void onlySaveIdStillStoresThePassword() {
    TLoginBench bench;
    QVERIFY(bench.Start());
    AnswerDialog(bench.Dialog(), QString::fromUtf8(kDemoId), QString::fromUtf8(kDemoPassword), true,
                 false);
    bench.Main().btnLogin->trigger();
    QVERIFY(bench.State().LoggedIn);
    const TServerConfig stored = bench.Sandbox.StoredSettings();
    QCOMPARE(stored.SaveID, 1);
    QCOMPARE(stored.SavePass, 0);
    QCOMPARE(stored.UserPass, std::string(kDemoPassword));
  }

  void wrongPasswordChangesNothing() {
    TLoginBench bench;
    QVERIFY(bench.Start());
    AnswerDialog(bench.Dialog(), QString::fromUtf8(kDemoId), QStringLiteral("nope"), true, true);
    bench.Main().btnLogin->trigger();
    QVERIFY(!bench.State().LoggedIn);
    QCOMPARE(bench.Prompts().Notices.size(), size_t(1));
    QCOMPARE(bench.Prompts().Notices[0].Title, std::string("안 내"));
    QCOMPARE(bench.Prompts().Notices[0].Line1,
             std::string("아이디 또는 패스워드를 확인해 주십시요!"));
    QCOMPARE(bench.Sandbox.StoredSettings().SaveID, 0);
    QCOMPARE(bench.Main().btnLogin->text(), QStringLiteral("로 그 인"));
  }

  void noBackendInteractiveAndSilent() {
    TLoginBench bench;
    QVERIFY(bench.Start(nullptr, false));
    AnswerDialog(bench.Dialog(), QStringLiteral("a"), QStringLiteral("b"), true, false);
    bench.Main().btnLogin->trigger();
    QVERIFY(!bench.State().LoggedIn);
    QCOMPARE(bench.Prompts().Notices.size(), size_t(1));
    QCOMPARE(bench.Prompts().Notices[0].Title, std::string("에 러"));
    QCOMPARE(bench.Prompts().Notices[0].Line1, std::string("서버접속이 원할하지 못합니다!"));

    bench.Main().Account().LogIn(false, "a", "b");  // silent: nothing told here
    QCOMPARE(bench.Prompts().Notices.size(), size_t(1));
  }

  void silentLoginSendsStoredValuesUntrimmed() {
    TLoginBench bench;
    QVERIFY(bench.Start());
    bench.Main().Account().LogIn(false, std::string(" ") + kDemoId, kDemoPassword);
    QVERIFY(!bench.State().LoggedIn);
    QCOMPARE(bench.Sandbox.BackendQueryValues(QStringLiteral("/login_user.php"),
                                              QStringLiteral("user_id")),
             QStringList{QStringLiteral(" demo")});
    bench.Main().Account().LogIn(false, kDemoId, kDemoPassword);
    QVERIFY(bench.State().LoggedIn);
    QVERIFY(bench.Prompts().Notices.size() == 1);  // only the failed answer's notice
  }

  void logoutRefusedWhileListening() {
    TLoginBench bench;
    QVERIFY(bench.Start());
    bench.Main().Account().LogIn(false, kDemoId, kDemoPassword);
    QVERIFY(bench.State().LoggedIn);
    bench.State().ShareStarted = true;
    bench.Main().SetListeningQuery([] { return true; });
    QCOMPARE(bench.Main().btnSvrStart->text(), QStringLiteral("서버중지"));
    QCOMPARE(bench.Main().stBar[0]->text(), QStringLiteral("서버: 시작됨"));
    bench.Main().btnLogin->trigger();
    QVERIFY(bench.State().LoggedIn);
    QVERIFY(!bench.State().ShareStarted);  // cleared even so
    const auto& notice = bench.Prompts().Notices.back();
    QCOMPARE(notice.Title, std::string("에 러"));
    QCOMPARE(notice.Line1, std::string("현재 서버가 동작중입니다!"));
    QCOMPARE(notice.Line2, std::string("중지후 시도해 주십시요!"));
  }

  void logoutIsLocal() {
    TLoginBench bench;
    QVERIFY(bench.Start());
    QVERIFY(bench.Running.WaitStartup());  // the update check is behind us
    bench.Main().Account().LogIn(false, kDemoId, kDemoPassword);
    bench.Main().ShowPoints();
    QCOMPARE(bench.Main().stBar[2]->text(), QStringLiteral("내포인트: 25,000"));
    const int requests = bench.Sandbox.BackendPaths().filter(".php").size();
    bench.Main().btnLogin->trigger();
    QVERIFY(!bench.State().LoggedIn);
    const TServerConfig config = bench.State().Settings.Snapshot();
    QCOMPARE(config.UserPNo, -1);
    QCOMPARE(config.UserPoint, 0);
    QVERIFY(config.UserID.empty());
    QCOMPARE(bench.Main().stBar[0]->text(), QStringLiteral("로그인 필요"));
    QVERIFY(bench.Main().stBar[2]->text().isEmpty());
    QCOMPARE(bench.Main().stBar[3]->text(), QString::fromLatin1(kProductBanner));
    QCOMPARE(bench.Prompts().Notices.back().Line1, std::string("로그아웃 되었습니다."));
    QCOMPARE(bench.Sandbox.BackendPaths().filter(".php").size(), requests);  // nothing sent
    QCOMPARE(bench.Main().btnLogin->text(), QStringLiteral("로 그 인"));
    QVERIFY(!bench.Main().btnServerCfg->isEnabled());
    QVERIFY(!bench.Main().btnSvrStart->isEnabled());
  }

  void pointsText_data() {
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << QStringLiteral("내포인트: 0");
    QTest::newRow("thousands") << 1234567 << QStringLiteral("내포인트: 1,234,567");
    QTest::newRow("negative") << -1234 << QStringLiteral("내포인트: -1,234");
  }
  void pointsText() {
    QFETCH(int, points);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(PointsText(points)), text);
  }
};

QTEST_MAIN(TestLogin)
#include "shell_login_test.moc"
