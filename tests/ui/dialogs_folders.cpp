// The shared-folder list and its add / change / delete commands with their dialog.
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "catalogue/frupdatefolder.h"
#include "dialogs_support.h"
#include "store/charbox.h"
#include "store/frsetupfolder.h"
#include "store/share_folder_panel.h"
#include "store/share_folder_store.h"
#include "support/fake_prompts.h"
#include "webclient/service_post.h"

using namespace talvesso;
using namespace talvesso::test;

namespace {

const std::string kAppliedLater = "서버를 재시작하거나 폴더 업데이트를 한후 적용됩니다!";
const std::string kFolderExists = "이미 존재하는 공유폴더입니다!";

struct TSwitches {
  bool NotUse = false, Adult = false, NotSearch = false;
};

}  // namespace

class TestShareFolders : public QObject {
  Q_OBJECT

  std::unique_ptr<TProgramFolder> Folder;
  std::unique_ptr<TFakePrompts> Prompts;
  std::unique_ptr<TfrmCharBox> CharBox;
  std::unique_ptr<TfrmSetupFolder> Setup;
  std::unique_ptr<TfrmUpdateFolder> UpdateWindow;
  std::unique_ptr<TSharedHttpClient> Http;
  std::unique_ptr<TFolderUpdateCommand> Update;
  std::unique_ptr<TShareFolderPanel> Panel;
  QString NextChoice;  // what the folder chooser answers

  std::string MakeDir(const std::string& relative) {
    auto path = Folder->Dir.Path() / relative;
    std::filesystem::create_directories(path);
    return path.string();
  }

  // Runs one command that opens the folder dialog; `fill` acts inside it (and must close it).
  void WithDialog(QPushButton* command, const std::function<void()>& fill) {
    bool shown = false;
    WhenShown(Setup.get(), [&] {
      shown = true;
      fill();
    });
    QTest::mouseClick(command, Qt::LeftButton);
    QVERIFY2(shown, "the folder dialog did not open");
  }

  // Chooses `path` with the folder button, sets the switches and accepts.
  void Accept(const std::string& path, TSwitches switches = {}) {
    NextChoice = QString::fromStdString(path);
    QTest::mouseClick(Setup->btnSelectFlder, Qt::LeftButton);
    Setup->chkNotUse->setChecked(switches.NotUse);
    Setup->chkAdult->setChecked(switches.Adult);
    Setup->chkNotSearch->setChecked(switches.NotSearch);
    QTest::mouseClick(Setup->JvXPButton1, Qt::LeftButton);
  }

  void AddFolder(const std::string& path, TSwitches switches = {}) {
    WithDialog(Panel->btnAddFolder, [&] { Accept(path, switches); });
  }

  void ClickRow(int row) {
    const QRect cell =
        Panel->lvShareFolder->visualRect(Panel->lvShareFolder->model()->index(row, 2));
    QTest::mouseClick(Panel->lvShareFolder->viewport(), Qt::LeftButton, {}, cell.center());
  }

  std::string LastNotice() const {
    return Prompts->Notices.empty() ? std::string() : Prompts->Notices.back().Line1;
  }

  QString Cell(int row, int column, int role = Qt::DisplayRole) const {
    return Panel->lvShareFolder->model()->index(row, column).data(role).toString();
  }

 private slots:
  void init() {
    Folder = std::make_unique<TProgramFolder>();
    Prompts = std::make_unique<TFakePrompts>();
    CharBox = std::make_unique<TfrmCharBox>();
    Setup = std::make_unique<TfrmSetupFolder>(*Prompts, *CharBox);
    Setup->ChooseFolder = [this](QWidget*) { return NextChoice; };
    UpdateWindow = std::make_unique<TfrmUpdateFolder>();
    Http = std::make_unique<TSharedHttpClient>();
    Update = std::make_unique<TFolderUpdateCommand>(Folder->State, *Prompts, *Http, *UpdateWindow);
    Panel = std::make_unique<TShareFolderPanel>(Folder->State, *Prompts, *Setup, *Update);
    Panel->resize(900, 400);
    Panel->show();
    Panel->SetLoggedIn(true);
    Panel->LoadFolderList();
  }
  void cleanup() {
    Panel.reset();
    Update.reset();
    Http.reset();
    UpdateWindow.reset();
    Setup.reset();
    CharBox.reset();
    Prompts.reset();
    Folder.reset();
  }

  void addStoresTheFolderAndReloads() {
    const std::string data = MakeDir("Data");
    AddFolder(data, {.NotUse = false, .Adult = true, .NotSearch = true});
    QCOMPARE(LastNotice(), kAppliedLater);
    QCOMPARE(Prompts->Notices.back().Title, std::string("안 내"));
    const TFolderList rows = LoadFolderRows(Folder->State.Databases.DB);
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(rows[0].Path, data);
    QCOMPARE(rows[0].Name, std::string("Data"));  // the folder's own name
    QCOMPARE(rows[0].Use, 1);
    QCOMPARE(rows[0].Adult, 1);
    QCOMPARE(rows[0].Search, 0);
    QCOMPARE(Folder->State.FolderList.size(), size_t(1));
    // The list shows it: No, use, path, name, 0 bytes until measured, adult, search.
    QCOMPARE(Panel->lvShareFolder->model()->rowCount(), 1);
    QCOMPARE(Cell(0, 0), QString("1"));
    QCOMPARE(Cell(0, 1), QString::fromUtf8("사용"));
    QCOMPARE(Cell(0, 2), QString::fromStdString(data));
    QCOMPARE(Cell(0, 3), QString("Data"));
    QCOMPARE(Cell(0, 4), QString("0 bytes"));
    QCOMPARE(Cell(0, 5), QString::fromUtf8("성인"));
    QCOMPARE(Cell(0, 6), QString());
  }

  void addRefusesTheSameFolderAndFoldersInsideIt() {
    const std::string data = MakeDir("Data");
    const std::string movies = MakeDir("Data/Movies");
    const std::string data2 = MakeDir("Data2");
    const std::string root = Folder->Dir.Path().string();
    AddFolder(data);
    struct TCase {
      std::string Path;
      bool Refused;
    } cases[] = {
        {data, true},
        {movies, true},
        {data2, false},  // a sibling that only starts with the same letters
        {root, false},   // the parent of a registered folder
    };
    int expectedRows = 1;
    for (const TCase& c : cases) {
      Prompts->Notices.clear();
      WithDialog(Panel->btnAddFolder, [&] { Accept(c.Path); });
      if (c.Refused) {
        QCOMPARE(LastNotice(), kFolderExists);
      } else {
        QCOMPARE(LastNotice(), kAppliedLater);
        ++expectedRows;
      }
      QCOMPARE(LoadFolderRows(Folder->State.Databases.DB).size(), size_t(expectedRows));
    }
  }

  void changeKeepsTheRowAndItsSizeAndChecksConflictsWithOthers() {
    const std::string data = MakeDir("Data");
    const std::string other = MakeDir("Other");
    AddFolder(data);
    AddFolder(other);
    // A size measured by a folder update (over 4 GiB) survives the change.
    TFolderList rows = LoadFolderRows(Folder->State.Databases.DB);
    rows[0].Size = 5'000'000'000LL;
    UpdateFolderRow(Folder->State.Databases.DB, rows[0]);
    Panel->ClearFolderList();
    Panel->LoadFolderList();
    QCOMPARE(Cell(0, 4), QString("4.66 GB"));

    // Only the switches change: its own row does not conflict.
    ClickRow(0);
    bool filled = false;
    WithDialog(Panel->btnModifyFolder, [&] {
      filled = Setup->edtFolderPath->text() == QString::fromStdString(data) &&
               Setup->edtFolderName->text() == "Data" && !Setup->chkNotUse->isChecked();
      Setup->chkNotUse->setChecked(true);
      Setup->edtFolderName->setText(QString::fromUtf8(" 동영상 "));
      QTest::mouseClick(Setup->JvXPButton1, Qt::LeftButton);
    });
    QVERIFY(filled);
    QCOMPARE(LastNotice(), kAppliedLater);
    rows = LoadFolderRows(Folder->State.Databases.DB);
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0].Use, 0);
    QCOMPARE(rows[0].Name, std::string("동영상"));
    QCOMPARE(rows[0].Size, 5'000'000'000LL);
    QCOMPARE(Cell(0, 1), QString::fromUtf8("미사용"));

    // Moving the second folder inside the first is refused.
    Prompts->Notices.clear();
    ClickRow(1);
    WithDialog(Panel->btnModifyFolder, [&] { Accept(MakeDir("Data/inner")); });
    QCOMPARE(LastNotice(), kFolderExists);
    QCOMPARE(LoadFolderRows(Folder->State.Databases.DB)[1].Path, other);

    // A double-click on a row opens the change too.
    bool opened = false;
    WhenShown(Setup.get(), [&] {
      opened = Setup->edtFolderPath->text() == QString::fromStdString(other);
      Setup->reject();
    });
    const QRect cell = Panel->lvShareFolder->visualRect(Panel->lvShareFolder->model()->index(1, 3));
    QTest::mouseDClick(Panel->lvShareFolder->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(opened);
  }

  void deleteAsksAndOnlyYesDeletes() {
    AddFolder(MakeDir("One"));
    AddFolder(MakeDir("Two"));
    ClickRow(1);
    Prompts->Notices.clear();
    Prompts->Answers = {false};
    QTest::mouseClick(Panel->btnDelFolder, Qt::LeftButton);
    QCOMPARE(
        Prompts->Messages.back().Text,
        std::string(
            "삭제를 하실경우 작성되어 있던 프리뷰 링크에서 모두 제거됩니다. 삭제 하시겠습니까?"));
    QVERIFY(Prompts->Messages.back().Question);
    QCOMPARE(LoadFolderRows(Folder->State.Databases.DB).size(), size_t(2));
    QVERIFY(Prompts->Notices.empty());

    Prompts->Answers = {true};
    QTest::mouseClick(Panel->btnDelFolder, Qt::LeftButton);
    const TFolderList rows = LoadFolderRows(Folder->State.Databases.DB);
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(rows[0].Name, std::string("One"));
    QCOMPARE(LastNotice(), kAppliedLater);

    // The clicked folder is gone from the reloaded list: the commands now do nothing.
    QCOMPARE(Panel->ClickedFolderRow(), -1);
    const size_t asked = Prompts->Messages.size();
    Prompts->Answers = {true};
    QTest::mouseClick(Panel->btnDelFolder, Qt::LeftButton);
    QCOMPARE(Prompts->Messages.size(), asked);
    QCOMPARE(LoadFolderRows(Folder->State.Databases.DB).size(), size_t(1));
  }

  void commandsActOnTheClickedFolderAfterAReload() {
    AddFolder(MakeDir("A"));
    AddFolder(MakeDir("B"));
    AddFolder(MakeDir("C"));
    ClickRow(2);  // C
    // The list is rebuilt with A gone (as the panel's reload does): C moves up to row 1.
    DeleteFolderRow(Folder->State.Databases.DB, Folder->State.FolderList[0].PNo);
    Panel->ClearFolderList();
    Panel->LoadFolderList();
    QCOMPARE(Panel->ClickedFolderRow(), 1);
    Prompts->Answers = {true};
    QTest::mouseClick(Panel->btnDelFolder, Qt::LeftButton);
    std::vector<std::string> names;
    for (const auto& row : LoadFolderRows(Folder->State.Databases.DB)) names.push_back(row.Name);
    QCOMPARE(names, (std::vector<std::string>{"B"}));
  }

  void onlyAMouseClickOnARowRemembersIt() {
    AddFolder(MakeDir("A"));
    AddFolder(MakeDir("B"));
    // Nothing clicked yet: change and delete do nothing (no dialog, no question).
    QCOMPARE(Panel->ClickedFolderRow(), -1);
    Prompts->Answers = {true};
    QTest::mouseClick(Panel->btnDelFolder, Qt::LeftButton);
    QTest::mouseClick(Panel->btnModifyFolder, Qt::LeftButton);
    QVERIFY(!Setup->isVisible());
    QVERIFY(Prompts->Messages.empty());

    // Keyboard moves of the selection do not count.
    Panel->lvShareFolder->setFocus();
    QTest::keyClick(Panel->lvShareFolder, Qt::Key_Down);
    QCOMPARE(Panel->ClickedFolderRow(), -1);

    ClickRow(1);
    QCOMPARE(Panel->ClickedFolderRow(), 1);
    QTest::keyClick(Panel->lvShareFolder, Qt::Key_Up);
    QCOMPARE(Panel->ClickedFolderRow(), 1);

    // A click below the last row forgets it.
    QTest::mouseClick(Panel->lvShareFolder->viewport(), Qt::LeftButton, {},
                      QPoint(50, Panel->lvShareFolder->viewport()->height() - 5));
    QCOMPARE(Panel->ClickedFolderRow(), -1);
  }

  void dialogInsistsOnAFolderAndAName() {
    bool stayedOpen = false;
    WithDialog(Panel->btnAddFolder, [&] {
      QTest::mouseClick(Setup->JvXPButton1, Qt::LeftButton);  // no folder chosen
      // The root has no name of its own: the box stays empty and a name is required.
      NextChoice = "/";
      QTest::mouseClick(Setup->btnSelectFlder, Qt::LeftButton);
      QCOMPARE(Setup->edtFolderPath->text(), QDir::toNativeSeparators("/"));
      QVERIFY(Setup->edtFolderName->text().isEmpty());
      QTest::mouseClick(Setup->JvXPButton1, Qt::LeftButton);
      stayedOpen = Setup->isVisible();
      // A cancelled chooser changes nothing; a place that is no folder is refused.
      NextChoice.clear();
      QTest::mouseClick(Setup->btnSelectFlder, Qt::LeftButton);
      NextChoice = QString::fromStdString(Folder->Dir.Path().string() + "/no-such-folder");
      QTest::mouseClick(Setup->btnSelectFlder, Qt::LeftButton);
      QCOMPARE(Setup->edtFolderPath->text(), QDir::toNativeSeparators("/"));
      QTest::mouseClick(Setup->JvXPButton2, Qt::LeftButton);
    });
    QVERIFY(stayedOpen);
    std::vector<std::string> texts;
    for (const auto& m : Prompts->Messages) texts.push_back(m.Text);
    QCOMPARE(texts, (std::vector<std::string>{"공유폴더를 지정해 주시기 바랍니다!",
                                              "공유폴더 이름을 입력해 주시기 바랍니다!",
                                              "사용할 수 없는 폴더입니다."}));
    QVERIFY(Prompts->Notices.empty());
    QVERIFY(LoadFolderRows(Folder->State.Databases.DB).empty());
  }

  void listLooksAsDesigned() {
    AddFolder(MakeDir("A"), {.NotUse = true});
    AddFolder(MakeDir("B"));
    QTableView* list = Panel->lvShareFolder;
    const int widths[] = {35, 70, 290, 150, 75, 48, 65};
    for (int c = 0; c < 7; ++c) QCOMPARE(list->columnWidth(c), widths[c]);
    QCOMPARE(list->horizontalHeader()->height(), 25);
    QCOMPARE(list->rowHeight(0), 25);
    const QStringList headers = {"No",       "사용여부", "폴더",    "공유이름",
                                 "전체용량", "성인",     "검색허용"};
    for (int c = 0; c < headers.size(); ++c) {
      QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
    }
    QCOMPARE(list->model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(),
             QColor(Qt::white));
    QCOMPARE(list->model()->index(1, 0).data(Qt::BackgroundRole).value<QColor>(),
             QColor(0xEF, 0xEF, 0xEF));
    QCOMPARE(Cell(0, 1), QString::fromUtf8("미사용"));
    QCOMPARE(Cell(1, 6), QString::fromUtf8("허용"));
    // Different icons for a shared and a paused folder.
    const QIcon paused = list->model()->index(0, 1).data(Qt::DecorationRole).value<QIcon>();
    const QIcon shared = list->model()->index(1, 1).data(Qt::DecorationRole).value<QIcon>();
    QVERIFY(!paused.isNull() && !shared.isNull());
    QVERIFY(paused.pixmap(16, 16).toImage() != shared.pixmap(16, 16).toImage());

    // Logged out: the commands are off and the view can be emptied without losing the list.
    Panel->SetLoggedIn(false);
    QVERIFY(!Panel->btnAddFolder->isEnabled() && !Panel->btnDelFolder->isEnabled());
    QVERIFY(Panel->btnUpdateFolder->isEnabled());
    Panel->EmptyListView();
    QCOMPARE(list->model()->rowCount(), 0);
    QCOMPARE(Folder->State.FolderList.size(), size_t(2));
  }
};

QTEST_MAIN(TestShareFolders)
#include "dialogs_folders.moc"
