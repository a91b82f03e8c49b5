// The installer download window and the self-update it serves, against the stand-in backend.
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "diagnostics/apploadercb2.h"
#include "diagnostics/frdown.h"
#include "dialogs_support.h"
#include "support/dev_backend.h"

using namespace talvesso;
using namespace talvesso::test;

class TestDownloadWindow : public QObject {
  Q_OBJECT

 private slots:
  void progressLineAndBarFollowTheReports() {
    TfrmDown window;
    QCOMPARE(window.windowTitle(), QString::fromUtf8("다운로드"));
    QCOMPARE(window.GroupBox1->title(), QString::fromUtf8(" 다운로드(Download) "));
    QVERIFY(window.lblDownStatus->text().isEmpty());
    QVERIFY(!window.Image2->pixmap().isNull());
    TBindStatusCallback callback(
        [&](const TDownloadProgressView& view) { window.ShowProgress(view); });
    callback.OnProgress(0, 3'145'728);  // the first report of 0 bytes changes nothing
    QVERIFY(window.lblDownStatus->text().isEmpty());
    callback.OnProgress(1'572'864, 3'145'728);
    QCOMPARE(window.lblDownStatus->text(), QString("50% (1.50 MB/3.00 MB)"));
    QCOMPARE(window.Progress->value() * 2, window.Progress->maximum());
    // Without an announced size: a busy bar and the bytes so far.
    callback.OnProgress(1'572'864, 0);
    QCOMPARE(window.Progress->maximum(), 0);
    QCOMPARE(window.lblDownStatus->text(), QString("1.50 MB"));
  }

  void selfUpdateDownloadsStartsTheInstallerAndShowsTheMainWindowAgain() {
    TTempDir store;
    // The "installer" notes that it ran, in its own folder (the program folder).
    store.WriteFile("server_setup171.zip", "#!/bin/sh\necho started > installer-ran.txt\n");
    TDevBackend backend;
    QVERIFY(backend.Start({"--store", store.Path().string(), "--newest-build", "171"}));
    TProgramFolder folder;
    folder.State.BaseUrl = backend.BaseUrl();
    folder.Dir.WriteFile("server_setup.exe", "an older download");

    QMainWindow main;
    main.show();
    bool mainHidden = false, windowShown = false;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      mainHidden = mainHidden || !main.isVisible();
      for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmDown*>(w) && w->isVisible()) windowShown = true;
    });
    watch.start();
    QVERIFY(RunSelfUpdate(&main, folder.State, 171));
    QVERIFY(mainHidden);
    QVERIFY(windowShown);
    QVERIFY(main.isVisible());
    QCOMPARE(ReadWholeFile(folder.Dir.Path() / "server_setup.exe"),
             std::string("#!/bin/sh\necho started > installer-ran.txt\n"));
    QVERIFY(
        WaitFor([&] { return std::filesystem::exists(folder.Dir.Path() / "installer-ran.txt"); }));
  }

  void failedDownloadReturnsFalseAndShowsTheMainWindowAgain() {
    TDevBackend backend;
    QVERIFY(backend.Start({"--newest-build", "171"}));
    TProgramFolder folder;
    folder.State.BaseUrl = backend.BaseUrl();
    QMainWindow main;
    main.show();
    QVERIFY(!RunSelfUpdate(&main, folder.State, 172));  // no such installer on the server
    QVERIFY(main.isVisible());
    QVERIFY(!std::filesystem::exists(folder.Dir.Path() / "server_setup.exe"));
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!qobject_cast<TfrmDown*>(w));
  }
};

QTEST_MAIN(TestDownloadWindow)
#include "dialogs_download.moc"
