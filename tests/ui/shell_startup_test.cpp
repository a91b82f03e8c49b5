// Start-up: the single-instance guard, the program folder's files, the registry values, the
// first showing and the one-shot sequence (update check, then the silent login).
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "common/app_constants.h"
#include "common/program_folder.h"
#include "common/registry.h"
#include "shell/app_state.h"
#include "shell/frmain.h"
#include "shell/home_panel.h"
#include "ui/shell_fixture.h"

using namespace talvesso;
using namespace talvesso::test;

namespace {

TServerConfig AutoLoginConfig(const std::string& id, const std::string& password, int autoShare) {
  TServerConfig config;
  config.UserID = id;
  config.UserPass = password;
  config.SaveID = 1;
  config.SavePass = 1;
  config.AutoLogin = 1;
  config.AutoShare = autoShare;
  config.PopupClose = 2;
  config.MaxConn = 10;
  return config;
}

QString RegistryValue(const QString& name) {
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("talvesso"));
  return settings.value(name).toString();
}

}  // namespace

class TestStartup : public QObject {
  Q_OBJECT
 private slots:
  void secondCopyIsRefusedAndFirstKeepsRunning() {
    TShellSandbox sandbox;
    TRunningProgram first;
    QVERIFY(first.Program.Start(sandbox.Options()));
    const int windowsBefore = QApplication::topLevelWidgets().size();
    {
      TFakePrompts prompts;
      TServerProgram second(&prompts);
      QVERIFY(!second.Start(sandbox.Options()));
      QCOMPARE(prompts.Messages.size(), size_t(1));
      QCOMPARE(prompts.Messages[0].Kind, TMessageKind::Error);
      QCOMPARE(prompts.Messages[0].Caption, std::string("실행오류"));
      QCOMPARE(prompts.Messages[0].Text, std::string("서버 프로그램은 한개만 실행할 수 있습니다!"));
      QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);  // no window made
    }
    // The refused copy released nothing of the first: a third is refused as well.
    TFakePrompts prompts;
    TServerProgram third(&prompts);
    QVERIFY(!third.Start(sandbox.Options()));
    QVERIFY(first.Program.MainWindow().windowTitle().startsWith(QString::fromUtf8(kMainCaption)));
  }

  void lockIsFreeAgainAfterTheFirstCopyEnds() {
    TShellSandbox sandbox;
    {
      TRunningProgram first;
      QVERIFY(first.Program.Start(sandbox.Options()));
    }
    TRunningProgram next;
    QVERIFY(next.Program.Start(sandbox.Options()));
  }

  void backendAddressFile_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing") << false << QByteArray() << QString::fromLatin1(kDefaultBaseUrl);
    QTest::newRow("blanks and line break") << true << QByteArray("  http://127.0.0.1:9/x/ \t\r\n")
                                           << QStringLiteral("http://127.0.0.1:9/x/");
    QTest::newRow("empty file") << true << QByteArray() << QString();
    QTest::newRow("second line stays inside") << true << QByteArray("http://a/\r\nhttp://b/\r\n")
                                              << QStringLiteral("http://a/\r\nhttp://b/");
  }
  void backendAddressFile() {
    QFETCH(bool, present);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    TShellSandbox sandbox;
    if (present) sandbox.PointAt(content.toStdString());
    TRunningProgram program;
    QVERIFY(program.Program.Start(sandbox.Options()));
    QCOMPARE(QString::fromStdString(program.Program.State().BaseUrl), expected);
  }

  void registryDirOnFirstRunOnly() {
    TShellSandbox sandbox;
    TTempDir otherFolder;
    {
      TRunningProgram program;
      QVERIFY(program.Program.Start(sandbox.Options()));
    }
    QCOMPARE(RegistryValue(QStringLiteral("dir")), sandbox.ProgramFolder());
    QCOMPARE(RegistryValue(QStringLiteral("server_ver")), QStringLiteral("170"));
    QVERIFY(WriteRegString(QStringLiteral("talvesso"), QStringLiteral("server_ver"),
                           QStringLiteral("1")));
    {
      TRunningProgram program;
      TStartOptions options = sandbox.Options();
      options.ProgramFolder = QString::fromStdString(otherFolder.Folder());
      QVERIFY(program.Program.Start(options));
    }
    QCOMPARE(RegistryValue(QStringLiteral("dir")), sandbox.ProgramFolder());
    QCOMPARE(RegistryValue(QStringLiteral("server_ver")), QStringLiteral("170"));
  }

  void existingKeyWithoutDirCountsAsExisting() {
    TShellSandbox sandbox;
    QVERIFY(
        WriteRegString(QStringLiteral("talvesso"), QStringLiteral("other"), QStringLiteral("x")));
    QVERIFY(RegisterProgramFolder(QStringLiteral("talvesso"), sandbox.ProgramFolder()));
    QVERIFY(RegistryValue(QStringLiteral("dir")).isEmpty());
  }

  void programFolderOverride() {
    TTempDir folder;
    qputenv(kProgramFolderEnv, QByteArray::fromStdString(folder.Path().string()));
    const QString resolved = ResolveProgramFolder();
    qunsetenv(kProgramFolderEnv);
    QCOMPARE(resolved, QString::fromStdString(folder.Folder()));
  }

  // The first showing opens the databases, loads the settings and the home page; a second
  // later the update check runs, then the silent login.
  void firstShowingThenUpdateCheckThenSilentLogin() {
    TShellSandbox sandbox;
    QVERIFY(sandbox.StartBackend());
    sandbox.PointAtBackend();
    sandbox.SeedSettings(AutoLoginConfig(kDemoId, kDemoPassword, 0));
    TRunningProgram program;
    QVERIFY(program.Program.Start(sandbox.Options()));
    TfrmMain& main = program.Program.MainWindow();
    TAppState& state = program.Program.State();
    QVERIFY(!state.Databases.DB.IsOpen());
    QVERIFY(main.tmrStart->isActive());
    QCOMPARE(main.tmrStart->interval(), kStartDelayMs);
    QObject::connect(&main, &TfrmMain::startupFinished, &main,
                     [&program] { program.StartupDone = true; });
    main.show();
    QVERIFY(QTest::qWaitFor([&main] { return main.FirstShowDone(); }, 5000));

    QCOMPARE(main.windowTitle(), QStringLiteral("벨토마르 - P2P 서버  Build No. 170"));
    QVERIFY(state.Databases.DB.IsOpen());
    QVERIFY(QFile::exists(sandbox.ProgramFolder() + "share.dat"));
    QVERIFY(QFile::exists(sandbox.ProgramFolder() + "fshare.dat"));
    QCOMPARE(state.Settings.Snapshot().AutoLogin, 1);
    QCOMPARE(main.WB->Url(), HomePageUrl(state.BaseUrl));
    QCOMPARE(main.stBar[3]->text(), QStringLiteral("전송상태: 0 bytes/Sec (0/10)"));
    QVERIFY(!state.LoggedIn);
    QVERIFY(program.Prompts.Notices.empty());

    QVERIFY(program.WaitStartup());
    QVERIFY(!main.tmrStart->isActive());  // runs once
    QVERIFY(state.LoggedIn);
    QCOMPARE(state.Settings.Snapshot().UserPNo, kDemoPNo);
    QCOMPARE(program.Prompts.Notices.size(), size_t(1));
    QCOMPARE(program.Prompts.Notices[0].Title, std::string("안 내"));
    QCOMPARE(program.Prompts.Notices[0].Line1, std::string("자동 로그인 되었습니다!"));
    const QStringList paths = sandbox.BackendPaths();
    const int version = paths.indexOf(QStringLiteral("/get_server_ver.php"));
    const int login = paths.indexOf(QStringLiteral("/login_user.php"));
    QVERIFY(version >= 0);
    QVERIFY(login > version);
    // The stored password with "#" and a blank reaches the backend whole.
    QCOMPARE(
        sandbox.BackendQueryValues(QStringLiteral("/login_user.php"), QStringLiteral("user_pass")),
        QStringList{QString::fromUtf8(kDemoPassword)});
  }

  void failedSilentLoginTellsTheMember() {
    TShellSandbox sandbox;
    QVERIFY(sandbox.StartBackend());
    sandbox.PointAtBackend();
    sandbox.SeedSettings(AutoLoginConfig(kDemoId, "wrong", 0));
    TRunningProgram program;
    QVERIFY(program.StartAndShow(sandbox.Options()));
    QVERIFY(program.WaitStartup());
    QVERIFY(!program.Program.State().LoggedIn);
    const auto& notices = program.Prompts.Notices;
    QCOMPARE(notices.size(), size_t(2));
    QCOMPARE(notices[0].Line1, std::string("아이디 또는 패스워드를 확인해 주십시요!"));
    QCOMPARE(notices[1].Title, std::string("에 러"));
    QCOMPARE(notices[1].Line1, std::string("자동 로그인에 실패 하였습니다."));
    QCOMPARE(notices[1].Line2, std::string("ID와 패스워드를 확인해주십시요!"));
  }

  void silentLoginWithoutBackendOnlyReportsTheFailure() {
    TShellSandbox sandbox;
    sandbox.PointAt("http://127.0.0.1:1/\n");
    sandbox.SeedSettings(AutoLoginConfig(kDemoId, kDemoPassword, 0));
    TRunningProgram program;
    QVERIFY(program.StartAndShow(sandbox.Options()));
    QVERIFY(program.WaitStartup());
    QCOMPARE(program.Prompts.Notices.size(), size_t(1));
    QCOMPARE(program.Prompts.Notices[0].Line1, std::string("자동 로그인에 실패 하였습니다."));
  }

  void automaticShareStartsSharingWithoutNotice() {
    TShellSandbox sandbox;
    QVERIFY(sandbox.StartBackend());
    sandbox.PointAtBackend();
    sandbox.SeedSettings(AutoLoginConfig(kDemoId, kDemoPassword, 1));
    TRunningProgram program;
    QVERIFY(program.Program.Start(sandbox.Options()));
    int sharingStarts = 0;
    program.Program.MainWindow().SetSharingCommand([&sharingStarts] { ++sharingStarts; });
    program.Program.MainWindow().show();
    QObject::connect(&program.Program.MainWindow(), &TfrmMain::startupFinished,
                     [&program] { program.StartupDone = true; });
    QVERIFY(program.WaitStartup());
    QVERIFY(program.Program.State().LoggedIn);
    QCOMPARE(sharingStarts, 1);
    QVERIFY(program.Prompts.Notices.empty());
  }

  void withoutAutoLoginNothingHappens() {
    TShellSandbox sandbox;
    QVERIFY(sandbox.StartBackend());
    sandbox.PointAtBackend();  // fresh databases: the settings row is empty
    TRunningProgram program;
    QVERIFY(program.StartAndShow(sandbox.Options()));
    QVERIFY(program.WaitStartup());
    QVERIFY(!program.Program.State().LoggedIn);
    QVERIFY(program.Prompts.Notices.empty());
    QVERIFY(!sandbox.BackendPaths().contains(QStringLiteral("/login_user.php")));
  }

  void databaseFailureEndsTheProgram() {
    TShellSandbox sandbox;
    sandbox.PointAt("http://127.0.0.1:1/\n");
    TRunningProgram program;
    TStartOptions options = sandbox.Options();
    options.ProgramFolder += QStringLiteral("missing/");  // no folder: no database file
    QVERIFY(program.Program.Start(options));
    TfrmMain& main = program.Program.MainWindow();
    bool ok = true;
    bool finished = false;
    QObject::connect(&main, &TfrmMain::firstShowFinished, [&](bool result) {
      ok = result;
      finished = true;
    });
    main.show();
    QVERIFY(QTest::qWaitFor([&] { return finished; }, 5000));
    QVERIFY(!ok);
    QCOMPARE(program.Prompts.Notices.size(), size_t(1));
    QCOMPARE(program.Prompts.Notices[0].Title, std::string("안 내"));
    QCOMPARE(program.Prompts.Notices[0].Line1, std::string("데이터베이스 초기화에 실패했습니다!"));
    QVERIFY(QTest::qWaitFor([&main] { return !main.isVisible(); }, 5000));
    QVERIFY(!main.FirstShowDone());
  }
};

QTEST_MAIN(TestStartup)
#include "shell_startup_test.moc"
