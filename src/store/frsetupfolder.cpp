#include "store/frsetupfolder.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/prompts.h"
#include "store/charbox.h"
#include "store/dialog_results.h"
#include "store/store_ui_texts.h"

namespace talvesso {

namespace {

const char* const kCautionLines[] = {
    "공유폴더내에 개인정보가 포함된 파일이 있는지 사전에 확인해",
    "주시기 바랍니다.",
};

const char* const kWarningLines[] = {
    "저작권자료, 음란물, 개인정보가 포함된 자료, 기타 사외에 반하는",
    "내용물, 미풍양속을 해치는 자료를 공유할 시 법적인 불이익을",
    "당할 수 있으므로 유의하시기 바랍니다.",
    "특히 미성년자에게 성인물에 접근하게 하는것은 [청소년보호법]과",
    "[정보통신이용촉진및정보보호에관한법율]에 의해 엄중한 처벌을",
    "받는 사항으로 구속사유에 해당하는 중범죄입니다. 또한 미성년자",
    "가 아닌 성인에게 음란물을 배포하는 행위 역시 법율에 의해 처벌",
    "받게 됨을 숙지하시기 바랍니다.",
};

QLabel* LinesLabel(const char* const* lines, int count, QWidget* parent) {
  QStringList text;
  for (int i = 0; i < count; ++i) text << QString::fromUtf8(lines[i]);
  auto* label = new QLabel(text.join('\n'), parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QString SystemFolderDialog(QWidget* parent) {
  return QFileDialog::getExistingDirectory(parent,
                                           QString::fromUtf8(store_text::kChooseFolderTitle),
                                           QString(), QFileDialog::ShowDirsOnly);
}

}  // namespace

TfrmSetupFolder::TfrmSetupFolder(TPrompts& prompts, TfrmCharBox& charBox, QWidget* parent)
    : QDialog(parent), ChooseFolder(SystemFolderDialog), Prompts_(prompts), CharBox_(charBox) {
  setObjectName("frmSetupFolder");
  setWindowTitle(QString::fromUtf8(store_text::kSetupFolderCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(403, 568);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(12, 12, 12, 12);
  root->setSpacing(10);

  auto* setup = new QGroupBox(QString::fromUtf8(" 공유폴더설정 "), this);
  auto* grid = new QGridLayout(setup);
  grid->setVerticalSpacing(6);
  grid->addWidget(new QLabel(QString::fromUtf8("공유폴더: "), setup), 0, 0);
  edtFolderPath = new QLineEdit(setup);
  edtFolderPath->setObjectName("edtFolderPath");
  edtFolderPath->setReadOnly(true);
  grid->addWidget(edtFolderPath, 0, 1);
  btnSelectFlder = new QPushButton(QString::fromUtf8("폴더선택"), setup);
  btnSelectFlder->setObjectName("btnSelectFlder");
  btnSelectFlder->setAutoDefault(false);
  grid->addWidget(btnSelectFlder, 0, 2);
  grid->addWidget(new QLabel(QString::fromUtf8("공유이름: "), setup), 1, 0);
  edtFolderName = new QLineEdit(setup);
  edtFolderName->setObjectName("edtFolderName");
  grid->addWidget(edtFolderName, 1, 1);
  JvXPButton3 = new QPushButton(QString::fromUtf8("특수문자"), setup);
  JvXPButton3->setObjectName("JvXPButton3");
  JvXPButton3->setAutoDefault(false);
  grid->addWidget(JvXPButton3, 1, 2);
  auto* hint = new QLabel(QString::fromUtf8("예) 동영상"), setup);
  hint->setStyleSheet("color: #6a6a6a;");
  grid->addWidget(hint, 2, 1);
  grid->addWidget(new QLabel(QString::fromUtf8("접근권한"), setup), 3, 0, Qt::AlignTop);
  auto* switches = new QVBoxLayout;
  chkAdult = new QCheckBox(QString::fromUtf8("19세이상 (주의)"), setup);
  chkAdult->setObjectName("chkAdult");
  chkNotUse = new QCheckBox(QString::fromUtf8("공유 일시중지"), setup);
  chkNotUse->setObjectName("chkNotUse");
  chkNotSearch = new QCheckBox(QString::fromUtf8("검색 허용안함"), setup);
  chkNotSearch->setObjectName("chkNotSearch");
  switches->addWidget(chkAdult);
  switches->addWidget(chkNotUse);
  switches->addWidget(chkNotSearch);
  grid->addLayout(switches, 3, 1, 1, 2);
  grid->setColumnStretch(1, 1);
  root->addWidget(setup);

  auto* caution = new QGroupBox(QString::fromUtf8(" 주 의 "), this);
  auto* cautionBox = new QVBoxLayout(caution);
  cautionBox->addWidget(LinesLabel(kCautionLines, 2, caution));
  root->addWidget(caution);

  auto* warning = new QGroupBox(QString::fromUtf8(" 경 고 (필독) "), this);
  auto* warningBox = new QVBoxLayout(warning);
  auto* warningText = LinesLabel(kWarningLines, 8, warning);
  warningText->setStyleSheet("color: #d00000;");
  warningBox->addWidget(warningText);
  root->addWidget(warning);
  root->addStretch(1);

  JvXPButton1 = new QPushButton(QString::fromUtf8("위 주의/경고 사항에 동의하고 설정함"), this);
  JvXPButton1->setObjectName("JvXPButton1");
  JvXPButton1->setMinimumHeight(32);
  JvXPButton1->setDefault(true);
  JvXPButton2 = new QPushButton(QString::fromUtf8("취 소"), this);
  JvXPButton2->setObjectName("JvXPButton2");
  JvXPButton2->setMinimumHeight(32);
  JvXPButton2->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(JvXPButton1, 1);
  buttons->addWidget(JvXPButton2);
  root->addLayout(buttons);

  connect(btnSelectFlder, &QPushButton::clicked, this, &TfrmSetupFolder::btnSelectFlderClick);
  connect(JvXPButton1, &QPushButton::clicked, this, &TfrmSetupFolder::JvXPButton1Click);
  connect(JvXPButton2, &QPushButton::clicked, this, [this] { done(kDialogCancelled); });
  connect(JvXPButton3, &QPushButton::clicked, this, [this] { CharBox_.OpenFor(edtFolderName); });
}

void TfrmSetupFolder::btnSelectFlderClick() {
  const QString chosen = ChooseFolder ? ChooseFolder(this) : QString();
  if (chosen.isEmpty()) return;  // cancelled: nothing changes
  // Only a folder of the file system can be shared (the chooser may offer other places).
  const QFileInfo info(chosen);
  if (!info.isAbsolute() || !info.isDir()) {
    Prompts_.ShowMessage(TMessageKind::Error, store_text::kCaptionError,
                         store_text::kUnusableFolder);
    return;
  }
  const QString path = QDir::toNativeSeparators(QDir::cleanPath(chosen));
  edtFolderPath->setText(path);
  // The share name is the folder's own name; a root ("/", "D:\") has none.
  edtFolderName->setText(QFileInfo(QDir::cleanPath(chosen)).fileName());
}

void TfrmSetupFolder::JvXPButton1Click() {
  if (edtFolderPath->text().trimmed().isEmpty()) {
    Prompts_.ShowMessage(TMessageKind::Error, store_text::kCaptionError,
                         store_text::kFolderRequired);
    return;
  }
  if (edtFolderName->text().trimmed().isEmpty()) {
    Prompts_.ShowMessage(TMessageKind::Error, store_text::kCaptionError,
                         store_text::kShareNameRequired);
    edtFolderName->setFocus();
    return;
  }
  done(kDialogAccepted);
}

}  // namespace talvesso
