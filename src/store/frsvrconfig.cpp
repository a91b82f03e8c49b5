#include "store/frsvrconfig.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>
#include <string>

#include "common/prompts.h"
#include "fileserver/check_port.h"
#include "shell/app_state.h"
#include "store/charbox.h"
#include "store/dialog_results.h"
#include "store/server_config_store.h"
#include "store/store_ui_texts.h"

namespace talvesso {

namespace {

// Spin boxes change with their arrows (buttons, keys, wheel) only: the text cannot be typed.
QSpinBox* MakeArrowOnlySpinBox(int minimum, int maximum, int value, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setRange(minimum, maximum);
  spin->setValue(value);
  spin->setAlignment(Qt::AlignRight);
  spin->setFixedWidth(64);
  if (auto* text = spin->findChild<QLineEdit*>()) text->setReadOnly(true);
  return spin;
}

// Decimal value of the port box; empty (or unreadable) gives 0.
int PortBoxValue(const QLineEdit* box) {
  bool ok = false;
  int value = box->text().trimmed().toInt(&ok);
  return ok ? value : 0;
}

}  // namespace

TfrmSvrConfig::TfrmSvrConfig(TPrompts& prompts, TfrmCharBox& charBox, QWidget* parent)
    : QDialog(parent), Prompts_(prompts), CharBox_(charBox) {
  setObjectName("frmSvrConfig");
  setWindowTitle(QString::fromUtf8(store_text::kSvrConfigCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(461, 345);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(16, 16, 16, 12);
  root->setSpacing(10);

  // Server name with the picker button.
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(new QLabel(QString::fromUtf8("서 버 명 : "), this));
  edtSvrName = new QLineEdit(this);
  edtSvrName->setObjectName("edtSvrName");
  nameRow->addWidget(edtSvrName, 1);
  btnAddFolder = new QPushButton(QString::fromUtf8("특수문자"), this);
  btnAddFolder->setObjectName("btnAddFolder");
  btnAddFolder->setAutoDefault(false);
  nameRow->addWidget(btnAddFolder);
  root->addLayout(nameRow);

  // " 기본설정 ": port, automatic port, connection limit.
  auto* basic = new QGroupBox(QString::fromUtf8(" 기본설정 "), this);
  auto* basicGrid = new QGridLayout(basic);
  basicGrid->setHorizontalSpacing(10);
  basicGrid->addWidget(new QLabel(QString::fromUtf8("포트(Port) :"), basic), 0, 0);
  edtSvrPort = new QLineEdit(basic);
  edtSvrPort->setObjectName("edtSvrPort");
  edtSvrPort->setMaxLength(5);
  edtSvrPort->setFixedWidth(80);
  // Typed keys are filtered below; the validator also keeps pasted text to digits.
  edtSvrPort->setValidator(
      new QRegularExpressionValidator(QRegularExpression("[0-9]{0,5}"), edtSvrPort));
  edtSvrPort->installEventFilter(this);
  basicGrid->addWidget(edtSvrPort, 0, 1);
  chkAutoPort = new QCheckBox(QString::fromUtf8("포트자동설정 (기본값)"), basic);
  chkAutoPort->setObjectName("chkAutoPort");
  chkAutoPort->setChecked(true);
  basicGrid->addWidget(chkAutoPort, 0, 2);
  basicGrid->addWidget(new QLabel(QString::fromUtf8("동시접속 허용인원 :"), basic), 1, 0);
  spnConnMax = MakeArrowOnlySpinBox(1, 50, 50, basic);
  spnConnMax->setObjectName("spnConnMax");
  basicGrid->addWidget(spnConnMax, 1, 1);
  auto* note = new QLabel(QString::fromUtf8("(전송속도를 고려하여 최대 50명까지 허용)"), basic);
  note->setStyleSheet("color: #505050;");
  basicGrid->addWidget(note, 2, 0, 1, 3);
  basicGrid->setColumnStretch(2, 1);
  root->addWidget(basic);

  // " 기타설정 ": start-up switches and the notice delay.
  auto* other = new QGroupBox(QString::fromUtf8(" 기타설정 "), this);
  auto* otherBox = new QVBoxLayout(other);
  chkAutoLogin = new QCheckBox(QString::fromUtf8("프로그램 실행시 자동 로그인"), other);
  chkAutoLogin->setObjectName("chkAutoLogin");
  chkAutoLogin->setChecked(true);
  otherBox->addWidget(chkAutoLogin);
  chkAutoShare = new QCheckBox(QString::fromUtf8("프로그램 실행시 자동 공유시작"), other);
  chkAutoShare->setObjectName("chkAutoShare");
  chkAutoShare->setChecked(true);
  otherBox->addWidget(chkAutoShare);
  auto* popupRow = new QHBoxLayout;
  popupRow->addWidget(new QLabel(QString::fromUtf8("팝업 다이얼로그 자동종료"), other));
  spnPopupClose = MakeArrowOnlySpinBox(2, 5, 2, other);
  spnPopupClose->setObjectName("spnPopupClose");
  popupRow->addWidget(spnPopupClose);
  popupRow->addWidget(new QLabel(QString::fromUtf8("초 후에 자동 닫힘."), other));
  popupRow->addStretch(1);
  otherBox->addLayout(popupRow);
  root->addWidget(other);

  root->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnOK = new QPushButton(QString::fromUtf8("확 인"), this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  btnOK->setMinimumSize(88, 28);
  btnCancel = new QPushButton(QString::fromUtf8("취 소"), this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);
  btnCancel->setMinimumSize(88, 28);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  root->addLayout(buttons);

  // clicked() comes from the member only; setting a box from code does not run the handler.
  connect(chkAutoPort, &QCheckBox::clicked, this, &TfrmSvrConfig::chkAutoPortClick);
  connect(btnOK, &QPushButton::clicked, this, &TfrmSvrConfig::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmSvrConfig::btnCancelClick);
  connect(btnAddFolder, &QPushButton::clicked, this, &TfrmSvrConfig::btnAddFolderClick);
}

void TfrmSvrConfig::showEvent(QShowEvent* event) {
  // FormShow: lock the port box when the automatic port is on (it never unlocks it here).
  if (chkAutoPort->isChecked()) edtSvrPort->setEnabled(false);
  QDialog::showEvent(event);
}

bool TfrmSvrConfig::eventFilter(QObject* watched, QEvent* event) {
  // edtSvrPortKeyPress: every typed character other than 0 to 9 is discarded, Backspace
  // included. Keys that type nothing (arrows, Delete, Home, End) keep their usual meaning.
  if (watched == edtSvrPort && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (!text.isEmpty() && key->key() != Qt::Key_Delete) {
      for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmSvrConfig::chkAutoPortClick(bool checked) { edtSvrPort->setEnabled(!checked); }

void TfrmSvrConfig::btnOKClick() {
  if (edtSvrName->text().trimmed().isEmpty()) {
    Prompts_.ShowMessage(TMessageKind::Error, store_text::kCaptionError, store_text::kNameRequired);
    edtSvrName->setFocus();
    return;
  }
  int port = PortBoxValue(edtSvrPort);
  if (port < 1) port = 0;
  // The port is checked whether or not the automatic port is ticked.
  std::string error;
  const int bound = CheckPort(port, &error);
  if (bound < 0) {
    Prompts_.ShowMessage(TMessageKind::Error, store_text::kCaptionError,
                         error.empty() ? store_text::kPortUnusable : error);
    return;
  }
  if (bound != port) {
    Prompts_.ShowMessage(TMessageKind::Information, store_text::kCaptionInfo,
                         std::string(store_text::kPortAutoSetPrefix) + std::to_string(bound) +
                             store_text::kPortAutoSetSuffix);
    edtSvrPort->setText(QString::number(bound));
  }
  done(kDialogAccepted);
}

void TfrmSvrConfig::btnCancelClick() { done(kDialogCancelled); }

void TfrmSvrConfig::btnAddFolderClick() { CharBox_.OpenFor(edtSvrName); }

bool EditServerSettings(TfrmSvrConfig& dialog, TAppState& state) {
  const TServerConfig current = state.Settings.Snapshot();
  if (!QString::fromStdString(current.Name).trimmed().isEmpty()) {
    dialog.edtSvrName->setText(QString::fromStdString(current.Name));
    dialog.edtSvrPort->setText(QString::number(current.Port));
    dialog.spnConnMax->setValue(current.MaxConn);
    dialog.spnPopupClose->setValue(current.PopupClose);
    dialog.chkAutoPort->setChecked(current.AutoPort > 0);
    dialog.chkAutoLogin->setChecked(current.AutoLogin > 0);
    dialog.chkAutoShare->setChecked(current.AutoShare > 0);
  } else {
    // No server name yet: empty boxes, all switches on; the spin boxes keep what they showed.
    dialog.edtSvrName->clear();
    dialog.edtSvrPort->clear();
    dialog.chkAutoPort->setChecked(true);
    dialog.chkAutoLogin->setChecked(true);
    dialog.chkAutoShare->setChecked(true);
  }

  if (dialog.exec() != kDialogAccepted) return false;

  const std::string name = dialog.edtSvrName->text().trimmed().toStdString();
  const int port = PortBoxValue(dialog.edtSvrPort);
  const int maxConn = dialog.spnConnMax->value();
  const int popupClose = dialog.spnPopupClose->value();
  const int autoPort = dialog.chkAutoPort->isChecked() ? 1 : 0;
  const int autoLogin = dialog.chkAutoLogin->isChecked() ? 1 : 0;
  const int autoShare = dialog.chkAutoShare->isChecked() ? 1 : 0;
  state.Settings.Update([&](TServerConfig& c) {
    c.Name = name;
    c.Port = port;
    c.MaxConn = maxConn;
    c.PopupClose = popupClose;
    c.AutoPort = autoPort;
    c.AutoLogin = autoLogin;
    c.AutoShare = autoShare;
  });
  // The save writes all eleven stored fields, whichever of them changed.
  SaveServerConfig(state.Databases.DB, state.Settings.Snapshot());
  return true;
}

}  // namespace talvesso
