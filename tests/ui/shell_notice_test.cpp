// The notice popup: its texts, its countdown note and the three ways it closes.
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "common/frmsgdlg.h"
#include "common/widget_prompts.h"

using namespace talvesso;

class TestNotice : public QObject {
  Q_OBJECT
 private slots:
  void countdownText_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("2") << 2 << QStringLiteral("(2초 후에 자동으로 닫힙니다.)");
    QTest::newRow("3") << 3 << QStringLiteral("(3초 후에 자동으로 닫힙니다.)");
    QTest::newRow("5") << 5 << QStringLiteral("(5초 후에 자동으로 닫힙니다.)");
  }
  void countdownText() {
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(TfrmMsgDialog::CountdownText(seconds), text);
  }

  // Shown modally with the texts, above other windows, and gone after the delay by itself.
  void closesByItselfAfterTheDelay() {
    TfrmMsgDialog dialog;
    QString title, line1, line2, note;
    bool modal = false;
    bool onTop = false;
    QSize size;
    QTimer::singleShot(200, &dialog, [&] {
      title = dialog.lblTitle->text();
      line1 = dialog.lblMsg1->text();
      line2 = dialog.lblMsg2->text();
      note = dialog.Label3->text();
      modal = dialog.isModal() && dialog.isVisible();
      onTop = dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
              dialog.windowFlags().testFlag(Qt::FramelessWindowHint);
      size = dialog.size();
    });
    QElapsedTimer clock;
    clock.start();
    dialog.ShowNotice(QStringLiteral("안 내"), QStringLiteral("첫 줄"), QString(), 2);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 1900 && elapsed < 4000, qPrintable(QString::number(elapsed)));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(title, QStringLiteral("안 내"));
    QCOMPARE(line1, QStringLiteral("첫 줄"));
    QVERIFY(line2.isEmpty());
    QCOMPARE(note, QStringLiteral("(2초 후에 자동으로 닫힙니다.)"));
    QVERIFY(modal);
    QVERIFY(onTop);
    QCOMPARE(size, QSize(400, 204));
  }

  // Closed early with the button, a second notice right after still gets its full delay.
  void earlyCloseDoesNotShortenTheNextNotice() {
    TfrmMsgDialog dialog;
    QTimer::singleShot(100, &dialog, [&] { QTest::mouseClick(dialog.btnSearch, Qt::LeftButton); });
    QElapsedTimer clock;
    clock.start();
    dialog.ShowNotice(QStringLiteral("a"), QStringLiteral("b"), QString(), 2);
    QVERIFY(clock.elapsed() < 1500);
    QVERIFY(!dialog.Timer1->isActive());

    clock.restart();
    dialog.ShowNotice(QStringLiteral("a"), QStringLiteral("c"), QString(), 2);
    QVERIFY2(clock.elapsed() >= 1900, qPrintable(QString::number(clock.elapsed())));
  }

  void enterAndTheCloseSpotClose_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("enter") << 0;
    QTest::newRow("close spot") << 1;
  }
  void enterAndTheCloseSpotClose() {
    QFETCH(int, way);
    TfrmMsgDialog dialog;
    QCOMPARE(dialog.Image5->geometry(), QRect(377, 12, 16, 15));
    QTimer::singleShot(100, &dialog, [&] {
      if (way == 0) {
        QTest::keyClick(&dialog, Qt::Key_Return);
      } else {
        QTest::mouseClick(dialog.Image5, Qt::LeftButton);
      }
    });
    QElapsedTimer clock;
    clock.start();
    dialog.ShowNotice(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), 5);
    QVERIFY(clock.elapsed() < 2000);
    QVERIFY(!dialog.Timer1->isActive());
  }

  // The prompts read the delay at every notice.
  void delayChangeAppliesToTheNextNotice() {
    TfrmMsgDialog dialog;
    int seconds = 3;
    TWidgetPrompts prompts(&dialog, [&seconds] { return seconds; });
    QString note;
    QTimer::singleShot(100, &dialog, [&] {
      note = dialog.Label3->text();
      dialog.accept();
    });
    prompts.ShowNotice("t", "l1", "");
    QCOMPARE(note, QStringLiteral("(3초 후에 자동으로 닫힙니다.)"));
    seconds = 4;
    QTimer::singleShot(100, &dialog, [&] {
      note = dialog.Label3->text();
      dialog.accept();
    });
    prompts.ShowNotice("t", "l1", "");
    QCOMPARE(note, QStringLiteral("(4초 후에 자동으로 닫힙니다.)"));
  }
};

QTEST_MAIN(TestNotice)
#include "shell_notice_test.moc"
