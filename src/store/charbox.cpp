#include "store/charbox.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/cp949.h"
#include "store/dialog_results.h"
#include "store/store_ui_texts.h"

namespace talvesso {

namespace {

struct TCodeRange {
  unsigned char LeadFirst, LeadLast, TrailFirst, TrailLast;
};

struct TCategoryDef {
  const char* Caption;
  std::vector<TCodeRange> Ranges;
};

// The seven groups, each a sequence of (lead, trail) ranges appended in this order.
const std::vector<TCategoryDef>& CategoryDefs() {
  static const std::vector<TCategoryDef> defs = {
      {"전각문자", {{0xA3, 0xA3, 0xA1, 0xFE}}},
      {"도형문자", {{0xA1, 0xA2, 0xA1, 0xE5}}},
      {"선/원문자", {{0xA6, 0xA6, 0xA1, 0xE4}, {0xA8, 0xA9, 0xB1, 0xFE}}},
      {"일본어", {{0xAA, 0xAA, 0xA1, 0xF5}, {0xAB, 0xAB, 0xA1, 0xF6}}},
      {"단위문자", {{0xA7, 0xA7, 0xA1, 0xEF}, {0xA5, 0xA5, 0xA1, 0xAA}, {0xA5, 0xA5, 0xB0, 0xB9}}},
      {"기타문자",
       {{0xA5, 0xA5, 0xC1, 0xD8},
        {0xA5, 0xA5, 0xE1, 0xF8},
        {0xA8, 0xA8, 0xA1, 0xAF},
        {0xA9, 0xA9, 0xA1, 0xB0},
        {0xAC, 0xAC, 0xA1, 0xC1},
        {0xAC, 0xAC, 0xD1, 0xF1}}},
      {"한자", {{0xCA, 0xFD, 0xA1, 0xFE}}},
  };
  return defs;
}

// The CP949 bytes of a cell travel with its item; the text shown is the same character in
// UTF-8. A pair the code page leaves unassigned shows nothing (and inserts nothing).
constexpr int kCodeRole = Qt::UserRole;

QString DisplayText(const std::string& code) {
  auto utf8 = Cp949ToUtf8(code);
  return utf8 ? QString::fromStdString(*utf8) : QString();
}

}  // namespace

TfrmCharBox::TfrmCharBox(QWidget* parent) : QDialog(parent) {
  setObjectName("frmCharBox");
  setWindowTitle(QString::fromUtf8(store_text::kCharBoxCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  resize(408, 298);
  QFont windowFont = font();
  windowFont.setFamilies({"GulimChe", "NanumGothicCoding", "NanumGothic"});
  windowFont.setPointSize(9);
  setFont(windowFont);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(10, 10, 10, 8);
  auto* top = new QHBoxLayout;
  root->addLayout(top, 1);

  auto* gridFrame = new QFrame(this);
  gridFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
  auto* gridBox = new QVBoxLayout(gridFrame);
  gridBox->setContentsMargins(3, 3, 3, 3);
  StringGrid1 = new QTableWidget(0, kColumns, gridFrame);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->horizontalHeader()->hide();
  StringGrid1->verticalHeader()->hide();
  StringGrid1->horizontalHeader()->setMinimumSectionSize(20);
  StringGrid1->horizontalHeader()->setDefaultSectionSize(20);
  StringGrid1->verticalHeader()->setMinimumSectionSize(20);
  StringGrid1->verticalHeader()->setDefaultSectionSize(20);
  StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGrid1->setShowGrid(false);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  StringGrid1->setFixedWidth(kColumns * 20 + 2 * StringGrid1->frameWidth() + 18);
  StringGrid1->setStyleSheet("QTableWidget { background: palette(button); }");
  QFont gridFont = font();
  gridFont.setFamilies({"Gulim", "NanumGothic"});
  gridFont.setPointSize(12);
  StringGrid1->setFont(gridFont);
  gridBox->addWidget(StringGrid1);
  top->addWidget(gridFrame);

  auto* side = new QVBoxLayout;
  side->setSpacing(2);
  Categories_ = new QButtonGroup(this);
  Categories_->setExclusive(true);
  QToolButton** buttons[] = {&btnJG, &btnDH, &btnLC, &btnJP, &btnDW, &btnGT, &btnHJ};
  const char* names[] = {"btnJG", "btnDH", "btnLC", "btnJP", "btnDW", "btnGT", "btnHJ"};
  for (int i = 0; i < 7; ++i) {
    auto* button = new QToolButton(this);
    button->setObjectName(names[i]);
    button->setText(QString::fromUtf8(CategoryDefs()[i].Caption));
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setFixedSize(79, 24);
    Categories_->addButton(button, i);
    side->addWidget(button);
    *buttons[i] = button;
  }
  side->addSpacing(6);
  StaticText1 = new QLabel(this);
  StaticText1->setObjectName("StaticText1");
  StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StaticText1->setAlignment(Qt::AlignCenter);
  StaticText1->setFixedSize(53, 47);
  QFont previewFont = font();
  previewFont.setFamilies({"Dotum", "NanumGothic"});
  previewFont.setPixelSize(37);
  StaticText1->setFont(previewFont);
  StaticText1->setStyleSheet("background: white;");
  side->addWidget(StaticText1, 0, Qt::AlignHCenter);
  side->addStretch(1);
  top->addLayout(side);

  auto* bottom = new QHBoxLayout;
  Label4 = new QLabel(QString::fromUtf8("코드값 :    "), this);
  Label4->setObjectName("Label4");
  bottom->addWidget(Label4, 1);
  btnAddFolder = new QPushButton(QString::fromUtf8("넣 기 (더블클릭!)"), this);
  btnAddFolder->setObjectName("btnAddFolder");
  btnAddFolder->setAutoDefault(false);
  bottom->addWidget(btnAddFolder);
  JvXPButton1 = new QPushButton(QString::fromUtf8("닫 기"), this);
  JvXPButton1->setObjectName("JvXPButton1");
  JvXPButton1->setAutoDefault(false);
  bottom->addWidget(JvXPButton1);
  root->addLayout(bottom);

  connect(Categories_, &QButtonGroup::idClicked, this,
          [this](int id) { SelectCategory(static_cast<TCategory>(id)); });
  connect(StringGrid1, &QTableWidget::currentCellChanged, this,
          [this](int row, int column, int, int) { StringGrid1SelectCell(row, column); });
  connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, [this] { InsertPreview(); });
  connect(btnAddFolder, &QPushButton::clicked, this, &TfrmCharBox::InsertPreview);
  connect(JvXPButton1, &QPushButton::clicked, this, [this] { done(kDialogCancelled); });

  // FormCreate: the full-width characters first.
  SelectCategory(JG);
}

void TfrmCharBox::OpenFor(QLineEdit* target) {
  TargetEdit_ = target;
  exec();
}

void TfrmCharBox::SelectCategory(TCategory category) {
  ClearGrid();
  for (const TCodeRange& r : CategoryDefs()[category].Ranges) {
    AddCodeRange(r.LeadFirst, r.LeadLast, r.TrailFirst, r.TrailLast);
  }
  FillGrid();
  if (auto* button = Categories_->button(category)) button->setChecked(true);
}

void TfrmCharBox::AddCodeRange(unsigned char leadFirst, unsigned char leadLast,
                               unsigned char trailFirst, unsigned char trailLast) {
  if (leadLast < leadFirst || trailLast < trailFirst) return;
  for (int lead = leadFirst; lead <= leadLast; ++lead) {
    for (int trail = trailFirst; trail <= trailLast; ++trail) {
      Codes_.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
}

void TfrmCharBox::ClearGrid() {
  Codes_.clear();
  // Every cell of the current size is emptied before the grid changes size.
  StringGrid1->clearContents();
}

void TfrmCharBox::FillGrid() {
  // The preview and code stay as they were; only a selection by the member changes them.
  const QSignalBlocker quiet(StringGrid1);
  const int n = static_cast<int>(Codes_.size());
  StringGrid1->setRowCount(n / kColumns + 1);
  for (int i = 0; i < n; ++i) {
    auto* item = new QTableWidgetItem(DisplayText(Codes_[i]));
    item->setTextAlignment(Qt::AlignCenter);
    item->setData(kCodeRole, QByteArray::fromStdString(Codes_[i]));
    StringGrid1->setItem(i / kColumns, i % kColumns, item);
  }
}

void TfrmCharBox::StringGrid1SelectCell(int row, int column) {
  const QTableWidgetItem* item = StringGrid1->item(row, column);
  StaticText1->setText(item ? item->text() : QString());
  int b1 = 0, b2 = 0;
  if (item) {
    const QByteArray code = item->data(kCodeRole).toByteArray();
    if (code.size() == 2) {
      b1 = static_cast<unsigned char>(code[0]);
      b2 = static_cast<unsigned char>(code[1]);
    }
  }
  Label4->setText(QString::fromUtf8("코드값 : %1+%2").arg(b1).arg(b2));
}

void TfrmCharBox::InsertPreview() {
  // The picker stays open, so several characters can go in one after another.
  if (!TargetEdit_) return;
  const QString text = StaticText1->text();
  if (text.isEmpty()) return;
  TargetEdit_->insert(text);
}

}  // namespace talvesso
