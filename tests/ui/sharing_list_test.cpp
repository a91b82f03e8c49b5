// The transfer list: cell texts and row colours for each state, numbering newest first, the
// clean-up button, the columns, and the feed that carries worker-thread reports to it.
#include <QColor>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "common/text_format.h"
#include "fileserver/transfer_feed.h"
#include "fileserver/transfer_list_model.h"
#include "fileserver/transfer_panel.h"
#include "fileserver/transfer_store.h"

using namespace talvesso;

namespace {

QString Cell(const TTransferListModel& model, int row, int column) {
  return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

QColor Colour(const TTransferListModel& model, int row) {
  return model.data(model.index(row, 0), Qt::BackgroundRole).value<QColor>();
}

std::shared_ptr<TTransferRow> AddRow(TTransferStore& store, const std::string& peer, int state) {
  auto row = store.AddStatusRow();
  row->Modify([&](TSendStatusNodeData& d) {
    d.PeerUserId = peer;
    d.State = state;
  });
  return row;
}

}  // namespace

class TestSharingList : public QObject {
  Q_OBJECT
 private slots:
  // One running-looking row per state: what each state shows and its colour.
  void statesShowTheirTextSpeedTimeAndColour_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("remain");
    QTest::addColumn<QString>("colour");
    const QString speed = QStringLiteral("1.25 MB/s");
    QTest::newRow("0 waiting") << 0 << "대 기"
                               << ""
                               << ""
                               << "#ffffff";
    QTest::newRow("1 no file") << 1 << "파일없음"
                               << ""
                               << ""
                               << "#ffffff";
    QTest::newRow("2 bad offset") << 2 << "위치오류"
                                  << ""
                                  << ""
                                  << "#ffffff";
    QTest::newRow("3 sending") << 3 << "전송중" << speed << "2분5초"
                               << "#ffe9ba";
    QTest::newRow("4 cancelled") << 4 << "전송취소"
                                 << ""
                                 << ""
                                 << "#dddddd";
    QTest::newRow("6 error") << 6 << "전송에러"
                             << ""
                             << ""
                             << "#ffffff";
    QTest::newRow("7 duplicate") << 7 << "중복파일"
                                 << ""
                                 << ""
                                 << "#ffffff";
    QTest::newRow("8 no points") << 8 << "포인트부족"
                                 << ""
                                 << ""
                                 << "#ffffff";
    QTest::newRow("9 too many") << 9 << "연결초과"
                                << ""
                                << ""
                                << "#ffffff";
    QTest::newRow("10 complete") << 10 << "전송완료" << speed << ""
                                 << "#efefef";
  }
  void statesShowTheirTextSpeedTimeAndColour() {
    QFETCH(int, state);
    QFETCH(QString, text);
    QFETCH(QString, speed);
    QFETCH(QString, remain);
    QFETCH(QString, colour);
    TTransferStore store(nullptr);
    TTransferListModel model(store);
    store.AddStatusRow()->Modify([&](TSendStatusNodeData& d) {
      d.State = state;
      d.PeerUserId = "kim";
      d.FilePath = "/srv/share/movie.avi";
      d.FileSize = 1000;
      d.Position = 250;
      d.Speed = 1310720;
      d.RemainSec = 125;
    });
    model.Sync();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(Cell(model, 0, 0), QStringLiteral("1"));
    QCOMPARE(Cell(model, 0, 1), text);
    QCOMPARE(Cell(model, 0, 2), QStringLiteral("kim"));
    QCOMPARE(Cell(model, 0, 3), QStringLiteral("/srv/share/movie.avi"));
    QCOMPARE(Cell(model, 0, 4), QString::fromStdString(FormatByteSize(1000)));
    QCOMPARE(Cell(model, 0, 5), QString::fromStdString(FormatByteSize(250)));
    QCOMPARE(Cell(model, 0, 6), QStringLiteral("25%"));
    QCOMPARE(Cell(model, 0, 7), speed);
    QCOMPARE(Cell(model, 0, 8), remain);
    QCOMPARE(Cell(model, 0, 9), QString());
    QCOMPARE(Colour(model, 0).name(), colour);
  }

  void ratioAndTimeLeftFormats_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("position");
    QTest::addColumn<int>("remain");
    QTest::addColumn<QString>("ratio");
    QTest::addColumn<QString>("time");
    QTest::newRow("quarter") << qint64(1000) << qint64(250) << 125 << "25%"
                             << "2분5초";
    QTest::newRow("under a minute") << qint64(1000) << qint64(999) << 59 << "100%"
                                    << "59초";
    QTest::newRow("nothing left") << qint64(3) << qint64(1) << 0 << "33%"
                                  << "0초";
    QTest::newRow("empty file") << qint64(0) << qint64(0) << 60 << "0%"
                                << "1분0초";
    QTest::newRow("file grew") << qint64(1000) << qint64(1500) << 3725 << "150%"
                               << "62분5초";
    QTest::newRow("big file") << qint64(8'000'000'000) << qint64(2'000'000'000) << 1 << "25%"
                              << "1초";
  }
  void ratioAndTimeLeftFormats() {
    QFETCH(qint64, size);
    QFETCH(qint64, position);
    QFETCH(int, remain);
    QFETCH(QString, ratio);
    QFETCH(QString, time);
    TSendStatusNodeData row;
    row.State = kStateSending;
    row.FileSize = size;
    row.Position = position;
    row.RemainSec = remain;
    QCOMPARE(QString::fromStdString(TransferCellText(row, 6, 1)), ratio);
    QCOMPARE(QString::fromStdString(TransferCellText(row, 8, 1)), time);
  }

  void rowsAreNumberedNewestFirst() {
    TTransferStore store(nullptr);
    TTransferListModel model(store);
    for (const char* peer : {"first", "second", "third"}) AddRow(store, peer, kStateWaiting);
    model.Sync();
    QCOMPARE(model.rowCount(), 3);
    const QStringList numbers{Cell(model, 0, 0), Cell(model, 1, 0), Cell(model, 2, 0)};
    QCOMPARE(numbers, (QStringList{"3", "2", "1"}));
    QCOMPARE(Cell(model, 0, 2), QStringLiteral("third"));
    QCOMPARE(Cell(model, 2, 2), QStringLiteral("first"));
    // A fourth on top keeps the others' numbers.
    AddRow(store, "fourth", kStateWaiting);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.Sync();
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(reset.size(), 0);
    QCOMPARE(Cell(model, 0, 0), QStringLiteral("4"));
    QCOMPARE(Cell(model, 0, 2), QStringLiteral("fourth"));
    QCOMPARE(Cell(model, 3, 0), QStringLiteral("1"));
  }

  void onlyChangedRowsAreRepainted() {
    TTransferStore store(nullptr);
    TTransferListModel model(store);
    std::vector<std::shared_ptr<TTransferRow>> rows;
    for (int i = 0; i < 10; ++i) rows.push_back(AddRow(store, "p" + std::to_string(i), 3));
    model.Sync();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    rows[2]->Modify([](TSendStatusNodeData& d) { d.Position = 100; });
    model.Sync();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toModelIndex().row(), 7);  // third oldest: eighth from the top
    QCOMPARE(Cell(model, 7, 5), QString::fromStdString(FormatByteSize(100)));
    changed.clear();
    model.Sync();
    QCOMPARE(changed.size(), 0);  // nothing moved, nothing repainted
  }

  void cleanUpKeepsWaitingAndRunningRowsAndRenumbers() {
    TTransferStore store(nullptr);
    TTransferListModel model(store);
    TTransferPanel panel(store, model);
    // Oldest first; from the top: e(0), d(1), c(3), b(10), a(0).
    AddRow(store, "a", kStateWaiting);
    AddRow(store, "b", kStateComplete);
    AddRow(store, "c", kStateSending);
    AddRow(store, "d", kStateNoFile);
    AddRow(store, "e", kStateWaiting);
    model.Sync();
    QCOMPARE(Cell(model, 1, 2), QStringLiteral("d"));
    QTest::mouseClick(panel.btnRefresh, Qt::LeftButton);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(panel.RowCount(), 3);
    const QStringList peers{Cell(model, 0, 2), Cell(model, 1, 2), Cell(model, 2, 2)};
    QCOMPARE(peers, (QStringList{"e", "c", "a"}));
    const QStringList numbers{Cell(model, 0, 0), Cell(model, 1, 0), Cell(model, 2, 0)};
    QCOMPARE(numbers, (QStringList{"3", "2", "1"}));
  }

  void panelHasTheColumnsAndTheButton() {
    TTransferStore store(nullptr);
    TTransferListModel model(store);
    TTransferPanel panel(store, model);
    const QStringList headers{"No",       "상 태", "사용자", "파일명",   "용량",
                              "보낸용량", "비 율", "속도",   "남은시간", ""};
    const int widths[] = {30, 65, 65, 250, 75, 75, 50, 70, 65, 50};
    QCOMPARE(model.columnCount(), 10);
    for (int column = 0; column < 10; ++column) {
      QCOMPARE(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
               headers[column]);
      QCOMPARE(panel.lvSendStatus->columnWidth(column), widths[column]);
    }
    QCOMPARE(panel.lvSendStatus->objectName(), QStringLiteral("lvSendStatus"));
    QCOMPARE(panel.btnRefresh->objectName(), QStringLiteral("btnRefresh"));
    QCOMPARE(panel.btnRefresh->text(), QStringLiteral("전송완료/에러/취소 목록에서 제거"));
    QCOMPARE(panel.btnRefresh->size(), QSize(258, 28));
    QCOMPARE(panel.lvSendStatus->verticalHeader()->defaultSectionSize(), 25);
  }

  // Worker threads report far more often than the list is refreshed; the list still ends
  // up showing exactly what the store holds.
  void feedCoalescesWorkerReports() {
    TTransferFeed feed;
    TTransferStore store(&feed);
    TTransferListModel model(store);
    feed.Attach(&model);
    QSignalSpy summaries(&feed, &TTransferFeed::summaryChanged);

    constexpr int kThreads = 4;
    constexpr int kUpdates = 5000;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
      workers.emplace_back([&store, &feed, t] {
        auto row = store.AddStatusRow();
        for (int i = 1; i <= kUpdates; ++i) {
          feed.RowChanged(row->ModifyAndView([&](TSendStatusNodeData& d) {
            d.State = i == kUpdates ? kStateComplete : kStateSending;
            d.Position = i;
            d.FileSize = kUpdates;
          }));
          if (i % 100 == 0) {
            TTransferSummary summary;
            summary.Text = "전송상태: " + std::to_string(t) + "/" + std::to_string(i);
            feed.SummaryChanged(summary);
          }
        }
      });
    }
    for (auto& worker : workers) worker.join();
    QVERIFY(QTest::qWaitFor(
        [&] {
          if (model.rowCount() != kThreads) return false;
          for (int r = 0; r < kThreads; ++r)
            if (Cell(model, r, 1) != QStringLiteral("전송완료")) return false;
          return true;
        },
        3000));
    for (int r = 0; r < kThreads; ++r) QCOMPARE(Cell(model, r, 6), QStringLiteral("100%"));
    // 20,000 row reports and 200 summaries reached the UI thread as a handful of refreshes.
    QVERIFY2(feed.FlushCount() <= 5, qPrintable(QString::number(feed.FlushCount())));
    QVERIFY(summaries.size() >= 1 && summaries.size() <= feed.FlushCount());
    QVERIFY(summaries.last()[0].toString().endsWith(QStringLiteral("/5000")));
  }
};

QTEST_MAIN(TestSharingList)
#include "sharing_list_test.moc"
