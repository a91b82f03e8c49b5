#include "shell/frlogin.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/artwork.h"
#include "common/program_folder.h"
#include "common/prompts.h"
#include "shell/shell_texts.h"

namespace talvesso {

namespace {

bool IsBlank(const QLineEdit* edit) { return TrimBlanks(edit->text().toStdString()).empty(); }

}  // namespace

int LoginChoiceCode(bool saveId, bool savePass) {
  if (saveId && savePass) return kLoginSaveBoth;
  if (saveId) return kLoginSaveId;
  if (savePass) return kLoginSavePass;
  return kLoginNoSave;
}

TfrmLogin::TfrmLogin(TPrompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), Prompts_(prompts) {
  setObjectName(QStringLiteral("frmLogin"));
  InitArtwork();
  setWindowTitle(QString::fromUtf8(kLoginCaption));
  setWindowIcon(ArtIcon(QStringLiteral("app")));
  setFixedSize(325, 116);

  edtID = new QLineEdit(this);
  edtID->setObjectName(QStringLiteral("edtID"));
  edtPass = new QLineEdit(this);
  edtPass->setObjectName(QStringLiteral("edtPass"));
  edtPass->setEchoMode(QLineEdit::Password);
  btnLogin = new QPushButton(QStringLiteral("로그인"), this);
  btnLogin->setObjectName(QStringLiteral("btnLogin"));
  btnLogin->setIcon(ArtIcon(QStringLiteral("login")));
  // Enter is handled by the boxes themselves (ID: next box; password: log in), never by a
  // default button.
  btnLogin->setAutoDefault(false);
  btnLogin->setDefault(false);
  btnLogin->setMinimumHeight(50);
  chkSaveID = new QCheckBox(QStringLiteral("아이디 저장"), this);
  chkSaveID->setObjectName(QStringLiteral("chkSaveID"));
  chkSaveID->setChecked(true);
  chkSavePass = new QCheckBox(QStringLiteral("패스워드 저장"), this);
  chkSavePass->setObjectName(QStringLiteral("chkSavePass"));
  chkSavePass->setChecked(false);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  grid->addWidget(new QLabel(QStringLiteral("아 이 디 : "), this), 0, 0);
  grid->addWidget(edtID, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("패스워드 : "), this), 1, 0);
  grid->addWidget(edtPass, 1, 1);
  grid->addWidget(btnLogin, 0, 2, 2, 1);
  grid->setColumnStretch(1, 1);

  auto* boxes = new QHBoxLayout;
  boxes->addStretch(1);
  boxes->addWidget(chkSaveID);
  boxes->addSpacing(12);
  boxes->addWidget(chkSavePass);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 10);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(boxes);

  connect(edtID, &QLineEdit::returnPressed, this, [this] { edtPass->setFocus(); });
  connect(edtPass, &QLineEdit::returnPressed, btnLogin, &QPushButton::click);
  connect(btnLogin, &QPushButton::clicked, this, &TfrmLogin::btnLoginClick);
  connect(chkSavePass, &QCheckBox::clicked, this, &TfrmLogin::chkSavePassClick);
}

int TfrmLogin::Ask(const QString& id, const QString& password) {
  edtID->setText(id);
  edtPass->setText(password);
  const int result = exec();
  return result >= kLoginNoSave && result <= kLoginSaveBoth ? result : 0;
}

void TfrmLogin::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (IsBlank(edtID)) {
    edtID->setFocus();
  } else {
    edtPass->setFocus();
  }
}

void TfrmLogin::btnLoginClick() {
  if (IsBlank(edtID)) {
    Prompts_.ShowMessage(TMessageKind::Information, kLoginCaption, kEnterId);
    edtID->setFocus();
    return;
  }
  if (IsBlank(edtPass)) {
    Prompts_.ShowMessage(TMessageKind::Information, kLoginCaption, kEnterPassword);
    edtPass->setFocus();
    return;
  }
  done(LoginChoiceCode(chkSaveID->isChecked(), chkSavePass->isChecked()));
}

void TfrmLogin::chkSavePassClick(bool checked) {
  if (checked) chkSaveID->setChecked(true);
}

}  // namespace talvesso
