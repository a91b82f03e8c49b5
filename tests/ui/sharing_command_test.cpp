// The start/stop command of btnSvrStart, through the whole program against the stand-in
// backend and network test server: the start in its order, each refusal, the stop with its
// question, and the automatic start at start-up.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "catalogue/frupdatefolder.h"
#include "fileserver/prSvrModule.h"
#include "fileserver/sharing_control.h"
#include "fileserver/transfer_list_model.h"
#include "fileserver/transfer_panel.h"
#include "fileserver/transfer_store.h"
#include "shell/frmain.h"
#include "store/frsvrconfig.h"
#include "store/share_folder_panel.h"
#include "store/share_folder_store.h"
#include "ui/sharing_fixture.h"

using namespace talvesso;
using namespace talvesso::test;

namespace {

const std::string kStarted = "서버가 정상적으로 시작 되었습니다!";
const std::string kUpdateFailed = "서버 적용에 실패했습니다!";

// A socket on `port` of every local address; listening or only bound.
class THeldPort {
 public:
  THeldPort(int port, bool listen) {
    Fd_ = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int off = 0;
    setsockopt(Fd_, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    address.sin6_port = htons(static_cast<uint16_t>(port));
    Bound_ = bind(Fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (Bound_ && listen) Bound_ = ::listen(Fd_, 4) == 0;
  }
  ~THeldPort() { close(Fd_); }
  bool Bound() const { return Bound_; }

 private:
  int Fd_ = -1;
  bool Bound_ = false;
};

// Asks the program for `path` as the peer "peer" and returns the first reply line.
std::string FirstReplyLine(int port, const std::string& path) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  std::string line;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request =
        "REQUEST_DOWNLOAD_FILE\r\npeer\r\nuid-1\r\n\r\n\r\n\r\n1\r\n" + path + "\r\n0\r\n";
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
      timeval limit{10, 0};
      setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
      char c = 0;
      while (recv(fd, &c, 1, 0) == 1 && c != '\n') line += c;
    }
  }
  close(fd);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Records whether btnSvrStart was ever enabled while the command ran.
struct TButtonWatch {
  explicit TButtonWatch(TSharingBench& bench) {
    Poll.setInterval(5);
    QObject::connect(&Poll, &QTimer::timeout, [this, &bench] {
      if (!bench.Sharing().Busy()) return;
      ++BusySamples;
      if (bench.Main().btnSvrStart->isEnabled()) EnabledWhileBusy = true;
    });
    Poll.start();
  }
  QTimer Poll;
  int BusySamples = 0;
  bool EnabledWhileBusy = false;
};

}  // namespace

class TestSharingCommand : public QObject {
  Q_OBJECT
 private slots:
  void startRunsTheWholeSequence() {
    TSharingBench bench;
    TSharingOptions options;
    options.BackendArgs = {"--cost", "20,3"};
    QVERIFY(bench.Start(options));
    TButtonWatch watch(bench);
    bench.Press();

    QVERIFY(bench.Listening());
    QCOMPARE(bench.Module().ListenPort(), bench.Port);
    QVERIFY(watch.BusySamples > 0);    // the check and the update take a while
    QVERIFY(!watch.EnabledWhileBusy);  // the button stayed disabled throughout
    QVERIFY(bench.Main().btnSvrStart->isEnabled());
    QCOMPARE(bench.Main().btnSvrStart->text(), QStringLiteral("서버중지"));
    QCOMPARE(bench.Main().stBar[0]->text(), QStringLiteral("서버: 시작됨"));
    QCOMPARE(ActivePanel(&bench.Main()), QStringLiteral("   파일 전송상태"));
    QVERIFY(bench.State().ShareStarted);
    QVERIFY(bench.Sharing().tmrShare->isActive());
    QCOMPARE(bench.NoticeLines(), std::vector<std::string>{kStarted});
    QVERIFY(bench.MessageTexts().empty());

    // The catalogue went up, then the cost values came, then the status-1 report.
    const QJsonArray uploads = bench.Requests(QStringLiteral("/save_share_files.php"));
    QCOMPARE(uploads.size(), 1);
    const QJsonArray costs = bench.Requests(QStringLiteral("/get_cost.php"));
    QCOMPARE(costs.size(), 1);
    const QJsonArray status = bench.Requests(QStringLiteral("/set_server_status.php"));
    QCOMPARE(status.size(), 1);
    QVERIFY(uploads[0].toObject()["time_ms"].toDouble() <=
            costs[0].toObject()["time_ms"].toDouble());
    QVERIFY(costs[0].toObject()["time_ms"].toDouble() <=
            status[0].toObject()["time_ms"].toDouble());
    QCOMPARE(QueryValue(status[0], "status"), QStringLiteral("1"));
    QCOMPARE(QueryValue(status[0], "port"), QString::number(bench.Port));
    QCOMPARE(QueryValue(status[0], "user_pno"), QString::number(kDemoPNo));
    QCOMPARE(status[0].toObject()["form"].toObject()["server_name"].toString(),
             QStringLiteral("데모 서버"));
    const TServerConfig config = bench.State().Settings.Snapshot();
    QCOMPARE(config.CostValue1, 20);
    QCOMPARE(config.CostValue2, 3);
  }

  void startClearsTheListOfTheRunBefore() {
    TSharingBench bench;
    QVERIFY(bench.Start());
    bench.Module().StatusRecords().AddStatusRow()->Modify(
        [](TSendStatusNodeData& d) { d.State = kStateComplete; });
    bench.Main().ShowTransferPanel();
    QCOMPARE(bench.Panel().RowCount(), 1);
    bench.Press();
    QVERIFY(bench.Listening());
    QCOMPARE(bench.Panel().RowCount(), 0);
    QCOMPARE(bench.Program().TransferModel().rowCount(), 0);
  }

  // Each refusal of the network pre-check: its message, sharing stays off, the button comes
  // back, and nothing reaches the backend.
  void preCheckRefusals_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("slow line") << "slow"
                               << "인터넷속도가 느려서 공유할수가없습니다. 다음에 이용해주십시요";
    QTest::newRow("port taken") << "taken"
                                << "%1 Port를 확인해주세요";
    QTest::newRow("test server unreachable")
        << "unreachable"
        << "방화벽 또는 공유기로인해 접근이 불가능합니다. 확인해주세요";
    QTest::newRow("port bound by another program") << "bound"
                                                   << "";
  }
  void preCheckRefusals() {
    QFETCH(QString, setup);
    QFETCH(QString, message);
    TSharingBench bench;
    TSharingOptions options;
    if (setup == "slow") options.NetTestArgs = {"--speed", "999999999"};
    if (setup == "unreachable") options.NetTest = false;
    QVERIFY(bench.Start(options));
    std::unique_ptr<THeldPort> held;
    if (setup == "taken" || setup == "bound") {
      held = std::make_unique<THeldPort>(bench.Port, setup == "taken");
      QVERIFY(held->Bound());
    }
    bench.Press();

    QVERIFY(!bench.Listening());
    QVERIFY(bench.Main().btnSvrStart->isEnabled());
    QCOMPARE(bench.Main().btnSvrStart->text(), QStringLiteral("서버시작"));
    QVERIFY(!bench.State().ShareStarted);
    QVERIFY(bench.NoticeLines().empty());
    QCOMPARE(bench.Prompts().Messages.size(), size_t(1));
    if (setup == "bound") {
      // The check could not open the port: the system's reason reaches the member.
      QCOMPARE(bench.Prompts().Messages[0].Kind, TMessageKind::Error);
      QVERIFY(!bench.Prompts().Messages[0].Text.empty());
    } else {
      QCOMPARE(QString::fromStdString(bench.Prompts().Messages[0].Text),
               message.contains("%1") ? message.arg(bench.Port) : message);
    }
    QCOMPARE(bench.RequestCount(QStringLiteral("/save_share_files.php")), 0);
    QCOMPARE(bench.RequestCount(QStringLiteral("/set_server_status.php")), 0);
    // The transfer panel was not brought forward.
    QVERIFY(ActivePanel(&bench.Main()) != QStringLiteral("   파일 전송상태"));
  }

  void missingNameAsksForTheSettingsAfterTheCheck() {
    TSharingBench bench;
    TSharingOptions options;
    options.ServerName = "   ";
    QVERIFY(bench.Start(options));
    bool dialogShown = false;
    TfrmSvrConfig& dialog = bench.Program().SvrConfigDialog();
    WhenShown(&dialog, [&] {
      dialogShown = true;
      dialog.reject();
    });
    bench.Press();
    QVERIFY(dialogShown);
    QVERIFY(!bench.Listening());
    QCOMPARE(bench.NoticeLines(),
             std::vector<std::string>{"서버명 또는 포트번호는 반드시 설정해야 합니다."});
    QCOMPARE(bench.RequestCount(QStringLiteral("/save_share_files.php")), 0);
    QVERIFY(bench.Main().btnSvrStart->isEnabled());
    // The pre-check ran first (its test server saw the connect-back request).
    QVERIFY(QString::fromStdString(bench.NetTest.ReadLine()).startsWith("request: ?IP Test"));
  }

  void failedUpdateLeavesSharingOff() {
    TSharingBench bench;
    QVERIFY(bench.Start());
    bench.Sandbox.Backend.Get("_mode?mode=broken");
    bench.Press();
    QVERIFY(!bench.Listening());
    QCOMPARE(bench.NoticeLines(), std::vector<std::string>{kUpdateFailed});
    QCOMPARE(bench.Prompts().Notices[0].Title, std::string("에 러"));
    QCOMPARE(bench.RequestCount(QStringLiteral("/get_cost.php")), 0);
    QCOMPARE(bench.RequestCount(QStringLiteral("/set_server_status.php")), 0);
    QVERIFY(!bench.State().ShareStarted);
    QVERIFY(!bench.Sharing().tmrShare->isActive());
    QVERIFY(bench.Main().btnSvrStart->isEnabled());
  }

  void updateStoppedByTheMemberLeavesSharingOff() {
    TSharingBench bench;
    QVERIFY(bench.Start());
    // A tree big enough that the walk is still going when the stop arrives.
    for (int d = 0; d < 200; ++d)
      for (int f = 0; f < 25; ++f)
        bench.Sandbox.Program.WriteFile(
            "shares/demo/big/d" + std::to_string(d) + "/f" + std::to_string(f), "");
    TfrmUpdateFolder& window = bench.Program().UpdateFolderWindow();
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (window.isVisible() &&
          window.lblName2->text() == QString::fromUtf8("폴더를 앍고 있습니다. (파일정보 추출)")) {
        poll.stop();
        QTest::mouseClick(window.btnAddFolder, Qt::LeftButton);
      }
    });
    poll.start();
    bench.Press();
    QVERIFY(!bench.Listening());
    QCOMPARE(bench.NoticeLines(), std::vector<std::string>{"사용자에 의해 중단되었습니다."});
    QCOMPARE(bench.RequestCount(QStringLiteral("/save_share_files.php")), 0);
    QCOMPARE(bench.RequestCount(QStringLiteral("/set_server_status.php")), 0);
  }

  // Another program takes the port while the catalogue goes up: the port check fails with the
  // system's reason and the listener is not started.
  void portTakenDuringTheUpdateCannotBeBound() {
    TSharingBench bench;
    TSharingOptions options;
    options.BackendArgs = {"--slow-ms", "800"};
    QVERIFY(bench.Start(options));
    bench.Sandbox.Backend.Get("_mode?mode=slow");  // the upload takes a while
    std::unique_ptr<THeldPort> held;
    WhenShown(&bench.Program().UpdateFolderWindow(),
              [&] { held = std::make_unique<THeldPort>(bench.Port, true); });
    bench.Press();
    QVERIFY(held && held->Bound());
    QVERIFY(!bench.Listening());
    QCOMPARE(bench.Prompts().Messages.size(), size_t(1));
    QCOMPARE(bench.Prompts().Messages[0].Kind, TMessageKind::Error);
    QVERIFY(!bench.Prompts().Messages[0].Text.empty());
    QVERIFY(!Contains(bench.NoticeLines(), kStarted));
    QCOMPARE(bench.RequestCount(QStringLiteral("/save_share_files.php")), 1);
    QCOMPARE(bench.RequestCount(QStringLiteral("/get_cost.php")), 0);
    QCOMPARE(bench.RequestCount(QStringLiteral("/set_server_status.php")), 0);
    QVERIFY(bench.Main().btnSvrStart->isEnabled());
    QVERIFY(!bench.State().ShareStarted);
  }

  // The file server serves the registered folders in use and follows every change of them.
  void sharedFoldersFollowTheFolderList() {
    TSharingBench bench;
    TSharingOptions options;
    options.BackendArgs = {"--member", "peer:pw:2002:1000"};
    QVERIFY(bench.Start(options));
    bench.Press();
    QVERIFY(bench.Listening());
    const std::string hello = bench.SharedFolder() + "/hello.txt";
    QCOMPARE(FirstReplyLine(bench.Port, hello), std::string("FILE_SEND"));

    // The member pauses the folder: its files are no longer there for peers.
    TShareFolderNodeData paused = bench.State().FolderList.at(0);
    paused.Use = 0;
    UpdateFolderRow(bench.State().Databases.DB, paused);
    bench.Program().SharePanel().LoadFolderList();
    QCOMPARE(FirstReplyLine(bench.Port, hello), std::string("FILE_NOT_EXISTS"));

    // And in use again.
    paused.Use = 1;
    UpdateFolderRow(bench.State().Databases.DB, paused);
    bench.Program().SharePanel().LoadFolderList();
    QCOMPARE(FirstReplyLine(bench.Port, hello), std::string("FILE_SEND"));
  }

  void stopDeclinedChangesNothing() {
    TSharingBench bench;
    QVERIFY(bench.Start());
    bench.Press();
    QVERIFY(bench.Listening());
    bench.Prompts().Notices.clear();
    bench.Prompts().Answers = {false};
    bench.Press();
    QVERIFY(bench.Listening());
    QVERIFY(bench.Sharing().tmrShare->isActive());
    QVERIFY(bench.State().ShareStarted);
    QCOMPARE(bench.Prompts().Messages.back().Text,
             std::string("현재 서버가 동작중입니다. 중지 하시겠습니까?\r\n\r\n"
                         "[주의]접속중인 모든 연결이 차단됩니다."));
    QVERIFY(bench.Prompts().Messages.back().Question);
    QVERIFY(bench.NoticeLines().empty());
    QTest::qWait(300);
    QCOMPARE(bench.RequestCount(QStringLiteral("/set_server_status.php")), 1);  // only status 1
    QCOMPARE(bench.Main().btnSvrStart->text(), QStringLiteral("서버중지"));
  }

  void stopConfirmedReportsStatusZero() {
    TSharingBench bench;
    QVERIFY(bench.Start());
    bench.Press();
    QVERIFY(bench.Listening());
    const int checksBefore = bench.RequestCount(QStringLiteral("/save_share_files.php"));
    bench.Prompts().Notices.clear();
    bench.Prompts().Answers = {true};
    bench.Press();
    QVERIFY(!bench.Listening());
    QVERIFY(!bench.Sharing().tmrShare->isActive());
    QVERIFY(!bench.State().ShareStarted);
    QCOMPARE(bench.NoticeLines(), std::vector<std::string>{"서버가 중지 되었습니다!"});
    QCOMPARE(bench.Main().btnSvrStart->text(), QStringLiteral("서버시작"));
    QCOMPARE(bench.Main().stBar[0]->text(), QStringLiteral("서버: 중지됨"));
    // No check and no update on the way down; the status-0 report is a plain GET.
    QCOMPARE(bench.RequestCount(QStringLiteral("/save_share_files.php")), checksBefore);
    QVERIFY(QTest::qWaitFor(
        [&] { return bench.RequestCount(QStringLiteral("/set_server_status.php")) == 2; }, 5000));
    const QJsonValue off = bench.Requests(QStringLiteral("/set_server_status.php"))[1];
    QCOMPARE(off.toObject()["method"].toString(), QStringLiteral("GET"));
    QCOMPARE(QueryValue(off, "status"), QStringLiteral("0"));
    QCOMPARE(QueryValue(off, "port"), QString::number(bench.Port));
    QCOMPARE(QueryValue(off, "user_pno"), QString::number(kDemoPNo));
    // The list is kept when sharing stops; the window may be closed to the end now.
  }

  void automaticLoginAndShareStartSharingWithoutTheLoginNotice() {
    TSharingBench bench;
    TSharingOptions options;
    options.LogIn = false;
    // Seeded before the program starts: automatic login and sharing.
    QVERIFY(bench.Sandbox.StartBackend());
    bench.Sandbox.PointAtBackend();
    QVERIFY(bench.NetTest.Start());
    bench.Sandbox.Program.WriteFile("chk_addr.cfg",
                                    "127.0.0.1:" + std::to_string(bench.NetTest.Port()) + "\n");
    bench.Port = FreePort();
    TServerConfig config;
    config.Name = "auto";
    config.Port = bench.Port;
    config.MaxConn = 5;
    config.UserID = kDemoId;
    config.UserPass = kDemoPassword;
    config.SaveID = config.SavePass = 1;
    config.AutoLogin = config.AutoShare = 1;
    bench.Sandbox.SeedSettings(config);
    bench.Run = std::make_unique<TRunningProgram>();
    QVERIFY(bench.Run->StartAndShow(bench.Sandbox.Options()));
    QVERIFY(QTest::qWaitFor([&] { return bench.Run->StartupDone; }, 30000));
    QVERIFY(bench.State().LoggedIn);
    QVERIFY(bench.Listening());
    QVERIFY(!Contains(bench.NoticeLines(), "자동 로그인 되었습니다!"));
    QCOMPARE(bench.NoticeLines(), std::vector<std::string>{kStarted});
    QCOMPARE(bench.RequestCount(QStringLiteral("/set_server_status.php")), 1);
    // Closing the window while sharing only hides it.
    QVERIFY(!bench.Main().close());
  }
};

QTEST_MAIN(TestSharingCommand)
#include "sharing_command_test.moc"
