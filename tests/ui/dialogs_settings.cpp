// The settings dialog and EditServerSettings, driven through the real widgets.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>

#include "dialogs_support.h"
#include "store/charbox.h"
#include "store/frsvrconfig.h"
#include "support/fake_prompts.h"

using namespace talvesso;
using namespace talvesso::test;

namespace {

// A port no one listens on right now.
int FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::Any, 0);
  return probe.serverPort();
}

}  // namespace

class TestSettingsDialog : public QObject {
  Q_OBJECT

  std::unique_ptr<TProgramFolder> Folder;
  std::unique_ptr<TFakePrompts> Prompts;
  std::unique_ptr<TfrmCharBox> CharBox;
  std::unique_ptr<TfrmSvrConfig> Dialog;

 private slots:
  void init() {
    Folder = std::make_unique<TProgramFolder>();
    Prompts = std::make_unique<TFakePrompts>();
    CharBox = std::make_unique<TfrmCharBox>();
    Dialog = std::make_unique<TfrmSvrConfig>(*Prompts, *CharBox);
  }
  void cleanup() {
    Dialog.reset();
    CharBox.reset();
    Prompts.reset();
    Folder.reset();
  }

  void firstShowingWithEmptyPortChoosesAFreePortAndSaysSo() {
    bool looked = false;
    WhenShown(Dialog.get(), [&] {
      // No server name stored yet: empty boxes, every switch on, the port box locked.
      looked = Dialog->edtSvrName->text().isEmpty() && Dialog->edtSvrPort->text().isEmpty() &&
               Dialog->chkAutoPort->isChecked() && Dialog->chkAutoLogin->isChecked() &&
               Dialog->chkAutoShare->isChecked() && !Dialog->edtSvrPort->isEnabled() &&
               Dialog->spnConnMax->value() == 50 && Dialog->spnPopupClose->value() == 2;
      Dialog->edtSvrName->setText(QString::fromUtf8("  우리집 서버  "));
      QTest::mouseClick(Dialog->btnOK, Qt::LeftButton);
    });
    QVERIFY(EditServerSettings(*Dialog, Folder->State));
    QVERIFY(looked);

    QCOMPARE(Prompts->Messages.size(), size_t(1));
    const auto& message = Prompts->Messages[0];
    QCOMPARE(message.Kind, TMessageKind::Information);
    const TServerConfig stored = Folder->StoredSettings();
    QVERIFY(stored.Port > 0);
    QCOMPARE(message.Text,
             "포트번호가 " + std::to_string(stored.Port) + "번으로 자동설정 되었습니다");
    QCOMPARE(Dialog->edtSvrPort->text(), QString::number(stored.Port));
    QCOMPARE(stored.Name, std::string("우리집 서버"));
    QCOMPARE(stored.MaxConn, 50);
    QCOMPARE(stored.PopupClose, 2);
    QCOMPARE(stored.AutoPort, 1);
    QCOMPARE(stored.AutoLogin, 1);
    QCOMPARE(stored.AutoShare, 1);
    QCOMPARE(Folder->State.Settings.Snapshot().Port, stored.Port);
  }

  void freePortIsStoredWithoutAMessage() {
    const int port = FreePort();
    WhenShown(Dialog.get(), [&] {
      Dialog->edtSvrName->setText("srv");
      QTest::mouseClick(Dialog->chkAutoPort, Qt::LeftButton);  // unlocks the port box
      QVERIFY(Dialog->edtSvrPort->isEnabled());
      Dialog->edtSvrPort->setText(QString::number(port));
      Dialog->spnConnMax->stepBy(-40);
      Dialog->spnPopupClose->stepBy(1);
      QTest::mouseClick(Dialog->btnOK, Qt::LeftButton);
    });
    QVERIFY(EditServerSettings(*Dialog, Folder->State));
    QVERIFY(Prompts->Messages.empty());
    const TServerConfig stored = Folder->StoredSettings();
    QCOMPARE(stored.Port, port);
    QCOMPARE(stored.AutoPort, 0);
    QCOMPARE(stored.MaxConn, 10);
    QCOMPARE(stored.PopupClose, 3);
  }

  void takenPortShowsTheErrorAndKeepsTheDialogOpen() {
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::Any, 0));
    const int port = taken.serverPort();
    bool stayedOpen = false;
    WhenShown(Dialog.get(), [&] {
      Dialog->edtSvrName->setText("srv");
      // The automatic port is ticked and the box disabled: the shown port is checked anyway.
      Dialog->edtSvrPort->setText(QString::number(port));
      QTest::mouseClick(Dialog->btnOK, Qt::LeftButton);
      stayedOpen = Dialog->isVisible();
      QTest::mouseClick(Dialog->btnCancel, Qt::LeftButton);
    });
    QVERIFY(!EditServerSettings(*Dialog, Folder->State));
    QVERIFY(stayedOpen);
    QCOMPARE(Prompts->Messages.size(), size_t(1));
    QCOMPARE(Prompts->Messages[0].Kind, TMessageKind::Error);
    QVERIFY(!Prompts->Messages[0].Text.empty());
    QCOMPARE(Folder->StoredSettings().Name, std::string());  // nothing stored
    QCOMPARE(Folder->State.Settings.Snapshot().Name, std::string());
  }

  void emptyNameIsRefused() {
    bool stayedOpen = false;
    WhenShown(Dialog.get(), [&] {
      Dialog->edtSvrName->setText("   ");
      QTest::mouseClick(Dialog->btnOK, Qt::LeftButton);
      stayedOpen = Dialog->isVisible();
      Dialog->close();  // the system menu's close counts as cancel
    });
    QVERIFY(!EditServerSettings(*Dialog, Folder->State));
    QVERIFY(stayedOpen);
    QCOMPARE(Prompts->Messages.size(), size_t(1));
    QCOMPARE(Prompts->Messages[0].Kind, TMessageKind::Error);
    QCOMPARE(Prompts->Messages[0].Text, std::string("서버명은 반드시 입력해야 합니다!"));
  }

  void storedSettingsFillTheDialogAndCancelChangesNothing() {
    TServerConfig config = Folder->State.Settings.Snapshot();
    config.Name = "보관된 서버";
    config.Port = 4321;
    config.MaxConn = 7;
    config.PopupClose = 4;
    config.AutoPort = 0;
    config.AutoLogin = 0;
    config.AutoShare = 1;
    config.UserID = "member";
    Folder->State.Settings.Replace(config);
    bool filled = false;
    WhenShown(Dialog.get(), [&] {
      filled = Dialog->edtSvrName->text() == QString::fromUtf8("보관된 서버") &&
               Dialog->edtSvrPort->text() == "4321" && Dialog->edtSvrPort->isEnabled() &&
               Dialog->spnConnMax->value() == 7 && Dialog->spnPopupClose->value() == 4 &&
               !Dialog->chkAutoPort->isChecked() && !Dialog->chkAutoLogin->isChecked() &&
               Dialog->chkAutoShare->isChecked();
      Dialog->edtSvrName->setText("changed");
      QTest::mouseClick(Dialog->btnCancel, Qt::LeftButton);
    });
    QVERIFY(!EditServerSettings(*Dialog, Folder->State));
    QVERIFY(filled);
    QCOMPARE(Folder->State.Settings.Snapshot().Name, std::string("보관된 서버"));
    QCOMPARE(Folder->StoredSettings().Name, std::string());

    // A settings record without a name: the spin boxes keep what they showed last.
    Folder->State.Settings.Replace(TServerConfig{});
    bool kept = false;
    WhenShown(Dialog.get(), [&] {
      kept = Dialog->spnConnMax->value() == 7 && Dialog->spnPopupClose->value() == 4 &&
             Dialog->chkAutoPort->isChecked() && Dialog->edtSvrName->text().isEmpty();
      Dialog->reject();
    });
    QVERIFY(!EditServerSettings(*Dialog, Folder->State));
    QVERIFY(kept);
  }

  void acceptSavesAllStoredFieldsWithTheLoginValues() {
    // The save writes all eleven columns: the login's ID goes in with the settings.
    TServerConfig config = Folder->State.Settings.Snapshot();
    config.UserID = "member";
    config.UserPass = "secret";
    Folder->State.Settings.Replace(config);
    const int port = FreePort();
    WhenShown(Dialog.get(), [&] {
      Dialog->edtSvrName->setText("srv");
      Dialog->edtSvrPort->setText(QString::number(port));
      QTest::mouseClick(Dialog->btnOK, Qt::LeftButton);
    });
    QVERIFY(EditServerSettings(*Dialog, Folder->State));
    const TServerConfig stored = Folder->StoredSettings();
    QCOMPARE(stored.UserID, std::string("member"));
    QCOMPARE(stored.UserPass, std::string("secret"));
    QCOMPARE(stored.Port, port);
  }

  void portBoxTakesTypedDigitsOnly() {
    Dialog->show();
    Dialog->edtSvrPort->setEnabled(true);
    Dialog->edtSvrPort->setFocus();
    QTest::keyClicks(Dialog->edtSvrPort, "8a0-8 0x12345");
    QCOMPARE(Dialog->edtSvrPort->text(), QString("80801"));  // at most five characters
    QTest::keyClick(Dialog->edtSvrPort, Qt::Key_Backspace);  // discarded like any non-digit
    QCOMPARE(Dialog->edtSvrPort->text(), QString("80801"));
    QTest::keyClick(Dialog->edtSvrPort, Qt::Key_Home);
    QTest::keyClick(Dialog->edtSvrPort, Qt::Key_Delete);
    QCOMPARE(Dialog->edtSvrPort->text(), QString("0801"));
    Dialog->hide();
  }

  void autoPortClickTogglesThePortBox() {
    Dialog->chkAutoPort->setChecked(true);
    Dialog->show();
    QVERIFY(!Dialog->edtSvrPort->isEnabled());  // locked when shown with the box ticked
    QTest::mouseClick(Dialog->chkAutoPort, Qt::LeftButton);
    QVERIFY(!Dialog->chkAutoPort->isChecked());
    QVERIFY(Dialog->edtSvrPort->isEnabled());
    QTest::mouseClick(Dialog->chkAutoPort, Qt::LeftButton);
    QVERIFY(!Dialog->edtSvrPort->isEnabled());
    // Setting the box from code does not run the click handler.
    Dialog->chkAutoPort->setChecked(false);
    QVERIFY(!Dialog->edtSvrPort->isEnabled());
    Dialog->hide();
  }

  void spinBoxesKeepTheirRanges() {
    QCOMPARE(Dialog->spnConnMax->minimum(), 1);
    QCOMPARE(Dialog->spnConnMax->maximum(), 50);
    QCOMPARE(Dialog->spnPopupClose->minimum(), 2);
    QCOMPARE(Dialog->spnPopupClose->maximum(), 5);
    // A stored value outside the range shows as the nearest bound.
    TServerConfig config;
    config.Name = "srv";
    config.MaxConn = 0;
    config.PopupClose = 9;
    Folder->State.Settings.Replace(config);
    bool bounded = false;
    WhenShown(Dialog.get(), [&] {
      bounded = Dialog->spnConnMax->value() == 1 && Dialog->spnPopupClose->value() == 5;
      Dialog->reject();
    });
    EditServerSettings(*Dialog, Folder->State);
    QVERIFY(bounded);
  }

  void pickerInsertsIntoTheServerName() {
    WhenShown(Dialog.get(), [&] {
      Dialog->edtSvrName->setText("AB");
      Dialog->edtSvrName->setCursorPosition(1);
      WhenShown(CharBox.get(), [&] {
        CharBox->StringGrid1->setCurrentCell(0, 0);
        QTest::mouseClick(CharBox->btnAddFolder, Qt::LeftButton);
        QTest::mouseClick(CharBox->JvXPButton1, Qt::LeftButton);
      });
      QTest::mouseClick(Dialog->btnAddFolder, Qt::LeftButton);
      Dialog->reject();
    });
    EditServerSettings(*Dialog, Folder->State);
    QCOMPARE(Dialog->edtSvrName->text(), QString::fromUtf8("A！B"));
  }
};

QTEST_MAIN(TestSettingsDialog)
#include "dialogs_settings.moc"
