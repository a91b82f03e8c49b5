// The update step of the start-up against the stand-in backend: a newer build is fetched into
// the program folder, started, and the program ends; otherwise the start-up goes on.
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "diagnostics/frdown.h"
#include "shell/app_state.h"
#include "shell/frmain.h"
#include "ui/shell_fixture.h"

using namespace talvesso;
using namespace talvesso::test;

namespace {

constexpr int kStillRunning = 2;  // the start-up finished and the program kept running
constexpr int kTimedOut = 3;

TServerConfig AutoLoginConfig() {
  TServerConfig config;
  config.UserID = kDemoId;
  config.UserPass = kDemoPassword;
  config.SaveID = 1;
  config.SavePass = 1;
  config.AutoLogin = 1;
  config.AutoShare = 0;
  config.PopupClose = 2;
  config.MaxConn = 10;
  return config;
}

// A program folder pointing at a stand-in backend started with `backendArgs`, with stored
// login details and automatic login on; false when the backend did not start.
bool PrepareAutoLogin(TShellSandbox& sandbox, const std::vector<std::string>& backendArgs) {
  if (!sandbox.StartBackend(backendArgs)) return false;
  sandbox.PointAtBackend();
  sandbox.SeedSettings(AutoLoginConfig());
  return true;
}

// Shows the main window and runs the application's event loop as main() does. 0 when the
// program ended by itself (the last window closed), kStillRunning when the start-up sequence
// finished and the window stayed open, kTimedOut when neither happened.
int RunLikeMain(TRunningProgram& program) {
  TfrmMain& main = program.Program.MainWindow();
  // Both timers die with this call, so none of them can end a later test's loop.
  QTimer settle, guard;
  settle.setSingleShot(true);
  guard.setSingleShot(true);
  QObject::connect(&settle, &QTimer::timeout, [] { QApplication::exit(kStillRunning); });
  QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(kTimedOut); });
  QObject::connect(&main, &TfrmMain::startupFinished, &settle, [&program, &settle] {
    program.StartupDone = true;
    // A close at the end of the start-up has already asked the loop to quit by now.
    settle.start(300);
  });
  guard.start(20000);
  main.show();
  return QApplication::exec();
}

struct TLoggedRequest {
  QString Method;
  QString Path;
  int Status = 0;
};

QList<TLoggedRequest> BackendRequests(const TShellSandbox& sandbox) {
  QList<TLoggedRequest> requests;
  const QJsonArray log =
      QJsonDocument::fromJson(QByteArray::fromStdString(sandbox.Backend.Get("_log"))).array();
  for (const QJsonValue& value : log) {
    const QJsonObject entry = value.toObject();
    requests.append({entry.value("method").toString(), entry.value("path").toString(),
                     entry.value("status").toInt()});
  }
  return requests;
}

int IndexOfPath(const QList<TLoggedRequest>& requests, const QString& path) {
  for (int i = 0; i < requests.size(); ++i)
    if (requests[i].Path == path) return i;
  return -1;
}

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Files of the program folder whose name starts with "server_setup" (the installer and the
// temporary file of its download).
QStringList InstallerFiles(const TShellSandbox& sandbox) {
  QStringList names;
  for (const auto& entry : std::filesystem::directory_iterator(sandbox.Program.Path())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("server_setup", 0) == 0) names << QString::fromStdString(name);
  }
  return names;
}

bool NoDownloadWindowLeft() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qobject_cast<TfrmDown*>(widget)) return false;
  return true;
}

}  // namespace

class TestStartupUpdate : public QObject {
  Q_OBJECT
 private slots:
  // `stored` empty: the backend's own stand-in installer, a zip archive that exec refuses
  // (no "#!" line, no ELF header), so starting it runs nothing. Otherwise a script that only
  // leaves a note in its working folder, to see that the start really happens and where.
  void newerBuildIsFetchedAndStartedAndTheProgramEnds_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("stand-in archive") << QByteArray();
    QTest::newRow("script leaving a note")
        << QByteArray("#!/bin/sh\necho started > installer-ran.txt\n");
  }
  void newerBuildIsFetchedAndStartedAndTheProgramEnds() {
    QFETCH(QByteArray, stored);
    TShellSandbox sandbox;
    TTempDir store;
    std::vector<std::string> args{"--newest-build", "171"};
    if (!stored.isEmpty()) {
      store.WriteFile("server_setup171.zip", stored.toStdString());
      args.insert(args.end(), {"--store", store.Path().string()});
    }
    QVERIFY(PrepareAutoLogin(sandbox, args));  // the silent login would run without the update
    sandbox.Program.WriteFile("server_setup.exe", "an earlier download");
    TRunningProgram program;
    QVERIFY(program.Program.Start(sandbox.Options()));

    QCOMPARE(RunLikeMain(program), 0);
    TfrmMain& main = program.Program.MainWindow();
    QVERIFY(program.StartupDone);
    QVERIFY(!main.isVisible());
    QVERIFY(!program.Program.State().LoggedIn);
    QVERIFY(NoDownloadWindowLeft());
    QVERIFY(program.Prompts.Notices.empty());

    const QList<TLoggedRequest> requests = BackendRequests(sandbox);
    const int version = IndexOfPath(requests, "/get_server_ver.php");
    const int download = IndexOfPath(requests, "/server_setup171.zip");
    QVERIFY(version >= 0);
    QVERIFY(download > version);
    QCOMPARE(requests[download].Method, QStringLiteral("GET"));
    QCOMPARE(IndexOfPath(requests, "/login_user.php"), -1);

    // Exactly the served bytes, under the installer's name, replacing the earlier file, with
    // no temporary file left beside it.
    const std::filesystem::path installer = sandbox.Program.Path() / "server_setup.exe";
    const std::string served = sandbox.Backend.Get("server_setup171.zip");
    QVERIFY(!served.empty());
    QCOMPARE(ReadBytes(installer), served);
    QCOMPARE(InstallerFiles(sandbox), QStringList{"server_setup.exe"});
    const auto perms = std::filesystem::status(installer).permissions();
    QVERIFY((perms & std::filesystem::perms::owner_exec) != std::filesystem::perms::none);

    if (stored.isEmpty()) {
      QVERIFY(served.rfind("PK", 0) == 0);  // what exec refuses: nothing was run
    } else {
      const std::filesystem::path note = sandbox.Program.Path() / "installer-ran.txt";
      QVERIFY(QTest::qWaitFor([&note] { return std::filesystem::exists(note); }, 10000));
    }
  }

  // No newer build: nothing is fetched and the silent login follows the version check.
  void noNewerBuildGoesOnWithTheStartup_data() {
    QTest::addColumn<QStringList>("backendArgs");
    QTest::addColumn<bool>("loginSucceeds");
    QTest::newRow("same build") << QStringList{"--newest-build", "170"} << true;
    QTest::newRow("answer without marker")
        << QStringList{"--newest-build", "171", "--mode", "broken"} << false;
  }
  void noNewerBuildGoesOnWithTheStartup() {
    QFETCH(QStringList, backendArgs);
    QFETCH(bool, loginSucceeds);
    TShellSandbox sandbox;
    std::vector<std::string> args;
    for (const QString& arg : backendArgs) args.push_back(arg.toStdString());
    QVERIFY(PrepareAutoLogin(sandbox, args));
    TRunningProgram program;
    QVERIFY(program.Program.Start(sandbox.Options()));

    QCOMPARE(RunLikeMain(program), kStillRunning);
    QVERIFY(program.Program.MainWindow().isVisible());
    QVERIFY(NoDownloadWindowLeft());
    QVERIFY(InstallerFiles(sandbox).isEmpty());
    const QList<TLoggedRequest> requests = BackendRequests(sandbox);
    for (const TLoggedRequest& request : requests)
      QVERIFY2(!request.Path.startsWith("/server_setup"), qPrintable(request.Path));
    const int version = IndexOfPath(requests, "/get_server_ver.php");
    const int login = IndexOfPath(requests, "/login_user.php");
    QVERIFY(version >= 0);
    QVERIFY(login > version);
    QCOMPARE(program.Program.State().LoggedIn, loginSucceeds);
    QVERIFY(!program.Prompts.Notices.empty());
    QCOMPARE(
        program.Prompts.Notices.back().Line1,
        std::string(loginSucceeds ? "자동 로그인 되었습니다!" : "자동 로그인에 실패 하였습니다."));
  }

  // The backend announces a newer build whose installer is not there: no message, no file,
  // the main window comes back and the start-up goes on.
  void missingInstallerLeavesNothingAndTheStartupGoesOn() {
    TShellSandbox sandbox;
    QVERIFY(PrepareAutoLogin(sandbox, {"--newest-build", "172", "--no-installer"}));
    TRunningProgram program;
    QVERIFY(program.Program.Start(sandbox.Options()));

    QCOMPARE(RunLikeMain(program), kStillRunning);
    QVERIFY(program.Program.MainWindow().isVisible());
    QVERIFY(NoDownloadWindowLeft());
    QVERIFY(InstallerFiles(sandbox).isEmpty());
    const QList<TLoggedRequest> requests = BackendRequests(sandbox);
    const int download = IndexOfPath(requests, "/server_setup172.zip");
    QVERIFY(download >= 0);
    QCOMPARE(requests[download].Status, 404);
    QVERIFY(IndexOfPath(requests, "/login_user.php") > download);
    QVERIFY(program.Program.State().LoggedIn);
    QCOMPARE(program.Prompts.Notices.size(), size_t(1));  // only the login's, none for the update
    QCOMPARE(program.Prompts.Notices[0].Line1, std::string("자동 로그인 되었습니다!"));
  }
};

QTEST_MAIN(TestStartupUpdate)
#include "shell_update_test.moc"
