// The share timer (clock, points, clean-up and heartbeat at the minute), the quiet hourly
// refresh and the status-bar summary, through the whole program.
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <thread>

#include "catalogue/frupdatefolder.h"
#include "common/text_format.h"
#include "fileserver/prSvrModule.h"
#include "fileserver/sharing_control.h"
#include "fileserver/transfer_feed.h"
#include "fileserver/transfer_list_model.h"
#include "fileserver/transfer_panel.h"
#include "fileserver/transfer_store.h"
#include "shell/frmain.h"
#include "ui/sharing_fixture.h"

using namespace talvesso;
using namespace talvesso::test;

namespace {

constexpr uint32_t kMinute = 60u * 1000u;
constexpr uint32_t kHour = 60u * kMinute;

void Tick(TSharingControl& sharing, int times) {
  for (int i = 0; i < times; ++i) sharing.tmrShareTimer();
}

}  // namespace

class TestSharingTimers : public QObject {
  Q_OBJECT
 private slots:
  void shareClockText_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "0초";
    QTest::newRow("59 s") << 59 << "59초";
    QTest::newRow("a minute") << 60 << "1분 0초";
    QTest::newRow("2 min 5 s") << 125 << "2분 5초";
    QTest::newRow("an hour") << 3600 << "1시간 0초";
    QTest::newRow("hour and 5 s") << 3605 << "1시간 5초";
    QTest::newRow("all three") << 3725 << "1시간 2분 5초";
    QTest::newRow("over a day") << 90000 << "25시간 0초";
  }
  void shareClockText() {
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(ShareClockText(seconds)), text);
  }

  // One minute of sharing: the clock every tick, the points every 15, and at the minute the
  // clean-up of a list above 100 rows and the heartbeat.
  void aMinuteOfSharing() {
    TSharingBench bench;
    QVERIFY(bench.Start());
    bench.Press();
    QVERIFY(bench.Listening());
    TSharingControl& sharing = bench.Sharing();
    QVERIFY(sharing.tmrShare->isActive());
    QCOMPARE(sharing.tmrShare->interval(), 1000);
    sharing.tmrShare->setInterval(24 * 3600 * 1000);  // the test ticks by hand
    const int start = sharing.ShareSeconds();

    // 101 rows, 90 of them finished.
    TTransferStore& store = bench.Module().StatusRecords();
    for (int i = 0; i < 101; ++i) {
      store.AddStatusRow()->Modify([i](TSendStatusNodeData& d) {
        d.State = i < 90 ? kStateComplete : (i % 2 ? kStateSending : kStateWaiting);
      });
    }
    bench.Program().TransferModel().Sync();

    bench.State().Settings.Update([](TServerConfig& c) { c.UserPoint = 1; });
    bench.Main().stBar[2]->clear();
    Tick(sharing, 14 - start % 15);
    QTest::qWait(200);
    QCOMPARE(bench.RequestCount(QStringLiteral("/get_point.php")), 0);
    Tick(sharing, 1);
    QCOMPARE(sharing.ShareSeconds() % 15, 0);
    QVERIFY(QTest::qWaitFor(
        [&] { return bench.Main().stBar[2]->text() == QStringLiteral("내포인트: 25,000"); }, 5000));
    QCOMPARE(bench.State().Settings.Snapshot().UserPoint, kDemoPoints);
    QCOMPARE(bench.RequestCount(QStringLiteral("/get_point.php")), 1);

    // Up to the last second before the minute nothing is cleaned or sent.
    Tick(sharing, 59 - sharing.ShareSeconds() % 60);
    QCOMPARE(bench.Main().stBar[1]->text(),
             QString::fromUtf8("공유시간: ") +
                 QString::fromStdString(ShareClockText(sharing.ShareSeconds())));
    QCOMPARE(bench.Panel().RowCount(), 101);
    QSignalSpy beats(&sharing, &TSharingControl::heartbeatSent);
    Tick(sharing, 1);
    QCOMPARE(sharing.ShareSeconds() % 60, 0);
    QCOMPARE(bench.Panel().RowCount(), 11);
    QCOMPARE(bench.Program().TransferModel().rowCount(), 11);
    QCOMPARE(beats.size(), 1);
    QVERIFY(QTest::qWaitFor(
        [&] { return bench.RequestCount(QStringLiteral("/set_server_watchdog.php")) == 1; }, 5000));
    const QJsonValue beat = bench.Requests(QStringLiteral("/set_server_watchdog.php"))[0];
    QCOMPARE(QueryValue(beat, "user_pno"), QString::number(kDemoPNo));
    QCOMPARE(QueryValue(beat, "server_bps"), QString::number(bench.Module().LastServerBps()));
    QCOMPARE(QueryValue(beat, "status"), QStringLiteral("1"));

    // A list of 100 rows or fewer is left alone at the minute.
    for (int i = 0; i < 89; ++i) {
      store.AddStatusRow()->Modify([](TSendStatusNodeData& d) { d.State = kStateError; });
    }
    Tick(sharing, 60);
    QCOMPARE(bench.Panel().RowCount(), 100);
    QCOMPARE(beats.size(), 2);

    // Stopping and starting again keeps counting from where the clock stood.
    const int before = sharing.ShareSeconds();
    bench.Prompts().Answers = {true};
    bench.Press();
    QVERIFY(!bench.Listening());
    bench.Press();
    QVERIFY(bench.Listening());
    QCOMPARE(sharing.ShareSeconds(), before);  // not reset by the stop or the start
    Tick(sharing, 1);
    QCOMPARE(bench.Main().stBar[1]->text(),
             QString::fromUtf8("공유시간: ") + QString::fromStdString(ShareClockText(before + 1)));
  }

  // The quiet refresh after an idle hour, counted on a clock the test moves.
  void hourlyRefresh() {
    TSharingBench bench;
    QVERIFY(bench.Start());
    TSharingControl& sharing = bench.Sharing();
    QVERIFY(sharing.Chk_Timer->isActive());
    sharing.Chk_Timer->stop();      // the test ticks by hand
    uint32_t now = 4'000'000'000u;  // close to the wrap of the 32-bit tick
    sharing.SetClock([&now] { return now; });
    TfrmUpdateFolder& window = bench.Program().UpdateFolderWindow();
    bool windowSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { windowSeen |= window.isVisible(); });
    watch.start(5);
    auto uploads = [&] { return bench.RequestCount(QStringLiteral("/save_share_files.php")); };

    // Nothing before sharing has started.
    bench.State().ShareStarted = false;
    now += 2 * kHour;
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 0);

    bench.State().ShareStarted = true;
    bench.State().ShareStartTime = now;
    now += kHour - 1;
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 0);
    now += 1;  // the hour is full (and the tick has wrapped meanwhile)
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 1);
    QCOMPARE(bench.State().ShareStartTime, now);
    QVERIFY(!bench.State().AutoUpdating);
    QVERIFY(!windowSeen);
    QVERIFY(bench.Prompts().Notices.empty());
    QVERIFY(bench.Prompts().Messages.empty());

    // Again an hour later, not before.
    now += 30 * kMinute;
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 1);
    now += 30 * kMinute;
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 2);

    // A running transfer postpones it until it ends; so does a waiting one.
    auto row = bench.Module().StatusRecords().AddStatusRow();
    row->Modify([](TSendStatusNodeData& d) { d.State = kStateSending; });
    now += 3 * kHour;
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 2);
    row->Modify([](TSendStatusNodeData& d) { d.State = kStateWaiting; });
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 2);
    row->Modify([](TSendStatusNodeData& d) { d.State = kStateComplete; });
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 3);

    // The whole elapsed time counts: after a busy day and a half hour the refresh comes at
    // once instead of waiting for the 25th hour.
    row->Modify([](TSendStatusNodeData& d) { d.State = kStateSending; });
    now += 24 * kHour + 30 * kMinute;
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 3);
    row->Modify([](TSendStatusNodeData& d) { d.State = kStateComplete; });
    sharing.Chk_TimerTimer();
    QCOMPARE(uploads(), 4);
    QVERIFY(!windowSeen);
    QVERIFY(bench.Prompts().Notices.empty());
  }

  void quietRefreshStillReportsAFailure() {
    TSharingBench bench;
    QVERIFY(bench.Start());
    TSharingControl& sharing = bench.Sharing();
    sharing.Chk_Timer->stop();
    uint32_t now = 1000;
    sharing.SetClock([&now] { return now; });
    bench.State().ShareStarted = true;
    bench.State().ShareStartTime = now;
    bench.Sandbox.Backend.Get("_mode?mode=broken");
    now += kHour;
    sharing.Chk_TimerTimer();
    QCOMPARE(bench.NoticeLines(), std::vector<std::string>{"서버 적용에 실패했습니다!"});
    QVERIFY(!bench.State().AutoUpdating);
  }

  void summaryReachesTheStatusBar() {
    TSharingBench bench;
    QVERIFY(bench.Start());
    // From the file server itself: no sessions, MaxConn 10.
    std::thread([&] { bench.Module().UpdateTransferSummary(); }).join();
    const QString idle = QString::fromUtf8("전송상태: ") +
                         QString::fromStdString(FormatByteSize(0)) + QStringLiteral("/Sec (0/10)");
    QVERIFY(QTest::qWaitFor([&] { return bench.Main().stBar[3]->text() == idle; }, 2000));
    // A summary reported by a sender thread.
    std::thread([&] {
      TTransferSummary summary;
      summary.TotalBps = 1310720;
      summary.SessionCount = 3;
      summary.MaxConn = 10;
      summary.Text = "전송상태: " + FormatByteSize(1310720) + "/Sec (3/10)";
      bench.Program().TransferFeed().SummaryChanged(summary);
    }).join();
    QVERIFY(QTest::qWaitFor(
        [&] {
          return bench.Main().stBar[3]->text() == QStringLiteral("전송상태: 1.25 MB/Sec (3/10)");
        },
        2000));
  }
};

QTEST_MAIN(TestSharingTimers)
#include "sharing_timers_test.moc"
