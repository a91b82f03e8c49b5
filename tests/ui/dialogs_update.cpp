// The folder update command: questions, the progress window, the outcome notices, the quiet
// hourly mode, refusal of a second run, the stop button; against the stand-in backend.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "catalogue/frupdatefolder.h"
#include "dialogs_support.h"
#include "store/share_folder_store.h"
#include "support/dev_backend.h"
#include "support/fake_prompts.h"
#include "webclient/service_post.h"

using namespace talvesso;
using namespace talvesso::test;

namespace {

const std::string kAskFolders =
    "공유폴더의 정보를 업데이트 하시겠습니까?\r\n\r\n파일의 수에 따라 10초 ~ 5분이상 소요될수 "
    "있습니다.";
const std::string kAskWhileSending =
    "데이터 전송중인 파일이 있습니다.\r\n중지하시고 업데이트 하시겠습니까?\r\n\r\n파일의 수에 "
    "따라 10초 ~ 5분이상 소요될수 있습니다.";
const std::string kSucceeded = "서버에 성공적으로 적용되었습니다.";
const std::string kFailed = "서버 적용에 실패했습니다!";
const std::string kStopped = "사용자에 의해 중단되었습니다.";
constexpr int32_t kMemberPNo = 7;

// Records whether a widget was ever visible while the test's command ran.
struct TVisibilityWatch {
  QTimer Timer;
  bool Seen = false;
  explicit TVisibilityWatch(QWidget* widget) {
    Timer.setInterval(2);
    QObject::connect(&Timer, &QTimer::timeout,
                     [this, widget] { Seen = Seen || widget->isVisible(); });
    Timer.start();
  }
};

}  // namespace

class TestFolderUpdate : public QObject {
  Q_OBJECT

  std::unique_ptr<TTempDir> Store;
  std::unique_ptr<TDevBackend> Backend;
  std::unique_ptr<TProgramFolder> Folder;
  std::unique_ptr<TFakePrompts> Prompts;
  std::unique_ptr<TfrmUpdateFolder> Window;
  std::unique_ptr<TSharedHttpClient> Http;
  std::unique_ptr<TFolderUpdateCommand> Update;

  void StartBackend(const std::vector<std::string>& extra = {}) {
    Store = std::make_unique<TTempDir>();
    Backend = std::make_unique<TDevBackend>();
    std::vector<std::string> args = {"--member", "demo:pw:7:100", "--store",
                                     Store->Path().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    QVERIFY(Backend->Start(args));
    Folder->State.BaseUrl = Backend->BaseUrl();
  }

  // Registers `relative` (created with `files` files of `bytes` bytes) and reloads the list.
  void ShareFolder(const std::string& relative, int files, int bytes) {
    const auto path = Folder->Dir.Path() / "shares" / relative;
    std::filesystem::create_directories(path);
    for (int i = 0; i < files; ++i)
      Folder->Dir.WriteFile("shares/" + relative + "/f" + std::to_string(i) + ".bin",
                            std::string(bytes, 'x'));
    TShareFolderNodeData record;
    record.Use = 1;
    record.Search = 1;
    record.Name = relative;
    record.Path = path.string();
    InsertFolderRow(Folder->State.Databases.DB, record);
    Folder->State.FolderList = LoadFolderRows(Folder->State.Databases.DB);
  }

  std::filesystem::path CatalogueFile() const { return Folder->Dir.Path() / "fshare.txt"; }
  std::filesystem::path Uploaded() const {
    return Store->Path() / ("fshare_" + std::to_string(kMemberPNo) + ".txt");
  }

  std::vector<std::string> Questions() const {
    std::vector<std::string> texts;
    for (const auto& m : Prompts->Messages)
      if (m.Question) texts.push_back(m.Text);
    return texts;
  }

 private slots:
  void init() {
    Folder = std::make_unique<TProgramFolder>();
    Folder->State.Settings.Update([](TServerConfig& c) { c.UserPNo = kMemberPNo; });
    Prompts = std::make_unique<TFakePrompts>();
    Window = std::make_unique<TfrmUpdateFolder>();
    Http = std::make_unique<TSharedHttpClient>();
    Update = std::make_unique<TFolderUpdateCommand>(Folder->State, *Prompts, *Http, *Window);
    StartBackend();
    ShareFolder("movies", 3, 1000);
  }
  void cleanup() {
    Update.reset();
    Http.reset();
    Window.reset();
    Prompts.reset();
    Backend.reset();
    Store.reset();
    Folder.reset();
  }

  void firstPressAsksShowsTheWindowAndTellsSuccess() {
    QSignalSpy sizes(Update.get(), &TFolderUpdateCommand::folderSizesChanged);
    Prompts->Answers = {true};
    TVisibilityWatch watch(Window.get());
    QCOMPARE(Update->Run(false), 200);
    QCOMPARE(Questions(), std::vector<std::string>{kAskFolders});
    QCOMPARE(Prompts->Notices.size(), size_t(1));
    QCOMPARE(Prompts->Notices[0].Title, std::string("안 내"));
    QCOMPARE(Prompts->Notices[0].Line1, kSucceeded);
    QVERIFY(watch.Seen);
    QVERIFY(!Window->isVisible());
    QVERIFY(Folder->State.ShareStarted);
    QVERIFY(std::filesystem::exists(CatalogueFile()));
    QCOMPARE(ReadWholeFile(Uploaded()), ReadWholeFile(CatalogueFile()));
    // The measured size went into the live record.
    QCOMPARE(Folder->State.FolderList[0].Size, int64_t(3000));
    QCOMPARE(sizes.count(), 1);
    // The window ended the run with the upload's texts.
    QCOMPARE(Window->lblName2->text(), QString::fromUtf8("서버의 처리결과를 기다리고 있습니다."));
    QCOMPARE(Window->lblFolderCnt->text(), QString("1"));
    QCOMPARE(Window->lblFileCnt->text(), QString("3"));

    // The second press asks nothing.
    Prompts->Messages.clear();
    Prompts->Notices.clear();
    QCOMPARE(Update->Run(false), 200);
    QVERIFY(Prompts->Messages.empty());
    QCOMPARE(Prompts->Notices.back().Line1, kSucceeded);
  }

  void answeringNoRunsNothing() {
    Prompts->Answers = {false};
    QCOMPARE(Update->Run(false), -1);
    QVERIFY(Prompts->Notices.empty());
    QVERIFY(!Folder->State.ShareStarted);
    QVERIFY(!std::filesystem::exists(CatalogueFile()));
  }

  void transfersUnderWayAskFirst() {
    Update->ActiveTransferCount = [] { return 1; };
    Prompts->Answers = {false};
    QCOMPARE(Update->Run(false), -1);
    QCOMPARE(Questions(), std::vector<std::string>{kAskWhileSending});

    // Both questions, one after the other, when sharing was never started.
    Prompts->Messages.clear();
    Prompts->Answers = {true, true};
    QCOMPARE(Update->Run(false), 200);
    QCOMPARE(Questions(), (std::vector<std::string>{kAskWhileSending, kAskFolders}));
  }

  void quietModeShowsNoWindowAndNoSuccessButTellsFailure() {
    Folder->State.ShareStarted = true;
    TVisibilityWatch watch(Window.get());
    QCOMPARE(Update->Run(true), 200);
    QVERIFY(!watch.Seen);
    QVERIFY(Prompts->Notices.empty());
    QVERIFY(!Folder->State.AutoUpdating);

    Backend->Get("_mode?mode=broken");  // answers without the success marker
    QCOMPARE(Update->Run(true), 300);
    QVERIFY(!watch.Seen);
    QCOMPARE(Prompts->Notices.size(), size_t(1));
    QCOMPARE(Prompts->Notices[0].Title, std::string("에 러"));
    QCOMPARE(Prompts->Notices[0].Line1, kFailed);
  }

  void noBackendFails() {
    Folder->State.ShareStarted = true;
    Backend->Stop();
    QCOMPARE(Update->Run(false), 300);
    QCOMPARE(Prompts->Notices.back().Line1, kFailed);
  }

  void aSecondPressWhileOneRunsIsRefusedAndTheFirstGoesOn() {
    Folder->State.ShareStarted = true;
    Backend->Get("_mode?mode=slow");  // answers after 3 s
    int second = 0;
    bool runningMeanwhile = false;
    QTimer::singleShot(300, [&] {
      runningMeanwhile = Update->Running();
      second = Update->Run(false);
    });
    QCOMPARE(Update->Run(false), 200);
    QVERIFY(runningMeanwhile);
    QCOMPARE(second, -1);
    QCOMPARE(Prompts->Notices.size(), size_t(2));
    QCOMPARE(Prompts->Notices[0].Title, std::string("경 고"));
    QCOMPARE(Prompts->Notices[0].Line1, std::string("폴더 업데이트 쓰레드가 이미 동작중입니다."));
    QCOMPARE(Prompts->Notices[0].Line2, std::string("이중으로 동작될수 없으므로 대기해 주십시요!"));
    QCOMPARE(Prompts->Notices[1].Line1, kSucceeded);
    QVERIFY(!Update->Running());
  }

  void foldersMayChangeWhileAnUpdateRuns() {
    ShareFolder("music", 2, 500);
    Folder->State.ShareStarted = true;
    Backend->Get("_mode?mode=slow");
    // Meanwhile the member deletes the first folder (the list is reloaded from the rows).
    QTimer::singleShot(300, [&] {
      DeleteFolderRow(Folder->State.Databases.DB, Folder->State.FolderList[0].PNo);
      Folder->State.FolderList = LoadFolderRows(Folder->State.Databases.DB);
    });
    QCOMPARE(Update->Run(false), 200);
    QCOMPARE(Folder->State.FolderList.size(), size_t(1));
    QCOMPARE(Folder->State.FolderList[0].Name, std::string("music"));
    QCOMPARE(Folder->State.FolderList[0].Size, int64_t(1000));
  }

  void stopDuringTheUploadFails() {
    Folder->State.ShareStarted = true;
    Backend->Get("_mode?mode=slow");
    QTimer::singleShot(500, [&] { QTest::mouseClick(Window->btnAddFolder, Qt::LeftButton); });
    QCOMPARE(Update->Run(false), 300);
    QCOMPARE(Prompts->Notices.back().Title, std::string("에 러"));
    QCOMPARE(Prompts->Notices.back().Line1, kFailed);
    QVERIFY(!Window->isVisible());
  }

  void stopDuringTheWalkEndsTheRunWithoutWriting() {
    // A tree big enough that the walk is still going when the stop arrives.
    for (int d = 0; d < 200; ++d)
      for (int f = 0; f < 25; ++f)
        Folder->Dir.WriteFile("shares/big/d" + std::to_string(d) + "/f" + std::to_string(f), "");
    ShareFolder("big", 0, 0);
    Folder->Dir.WriteFile("fshare.txt", "old catalogue");
    Folder->State.ShareStarted = true;
    // Stop as soon as the window says the walk began.
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (Window->lblName2->text() == QString::fromUtf8("폴더를 앍고 있습니다. (파일정보 추출)")) {
        poll.stop();
        QTest::mouseClick(Window->btnAddFolder, Qt::LeftButton);
      }
    });
    poll.start();
    QCOMPARE(Update->Run(false), 100);
    QCOMPARE(Prompts->Notices.back().Title, std::string("에 러"));
    QCOMPARE(Prompts->Notices.back().Line1, kStopped);
    QCOMPARE(ReadWholeFile(CatalogueFile()), std::string("old catalogue"));
  }

  void windowResetsItsTextsOncePerRun() {
    Window->lblName->setText("stale");
    Window->lblFileCnt->setText("99");
    Window->Initialised = false;
    Window->show();
    QCOMPARE(Window->lblName->text(), QString::fromUtf8("업데이트 준비중입니다."));
    QCOMPARE(Window->lblName2->text(), QString::fromUtf8("잠시 기다려 주시기 바랍니다."));
    QVERIFY(Window->lblFileCnt->text().isEmpty());
    QVERIFY(Window->Progress->y() > Window->height());  // out of view until the upload
    Window->lblName->setText("running");
    Window->hide();
    Window->show();  // shown again in the same run: the texts stay
    QCOMPARE(Window->lblName->text(), QString("running"));
    Window->hide();
  }
};

QTEST_MAIN(TestFolderUpdate)
#include "dialogs_update.moc"
