#include "store/share_folder_panel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "catalogue/frupdatefolder.h"
#include "common/prompts.h"
#include "shell/app_state.h"
#include "store/dialog_results.h"
#include "store/frsetupfolder.h"
#include "store/share_folder_model.h"
#include "store/share_folder_store.h"
#include "store/store_ui_texts.h"

namespace talvesso {

namespace {

QPushButton* BarButton(const char* objectName, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(objectName);
  button->setMinimumSize(96, 28);
  return button;
}

// The dialog's switches as the record stores them.
void ReadSwitches(const TfrmSetupFolder& dialog, TShareFolderNodeData& record) {
  record.Use = dialog.chkNotUse->isChecked() ? 0 : 1;
  record.Adult = dialog.chkAdult->isChecked() ? 1 : 0;
  record.Search = dialog.chkNotSearch->isChecked() ? 0 : 1;
}

}  // namespace

TShareFolderPanel::TShareFolderPanel(TAppState& state, TPrompts& prompts,
                                     TfrmSetupFolder& setupFolder,
                                     TFolderUpdateCommand& folderUpdate, QWidget* parent)
    : QWidget(parent),
      State_(state),
      Prompts_(prompts),
      SetupFolder_(setupFolder),
      FolderUpdate_(folderUpdate),
      Model_(new TShareFolderModel(this)) {
  setObjectName("pnlShareFolder");
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(4);

  lvShareFolder = new QTableView(this);
  lvShareFolder->setObjectName("lvShareFolder");
  lvShareFolder->setModel(Model_);
  lvShareFolder->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvShareFolder->setSelectionMode(QAbstractItemView::SingleSelection);
  lvShareFolder->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvShareFolder->setShowGrid(true);
  lvShareFolder->setWordWrap(false);
  lvShareFolder->setIconSize(QSize(16, 16));
  lvShareFolder->verticalHeader()->hide();
  lvShareFolder->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  lvShareFolder->verticalHeader()->setDefaultSectionSize(25);
  QHeaderView* header = lvShareFolder->horizontalHeader();
  header->setFixedHeight(25);
  header->setSectionsMovable(true);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setHighlightSections(false);
  for (int c = 0; c < TShareFolderModel::kColumnCount; ++c) {
    lvShareFolder->setColumnWidth(c, TShareFolderModel::kColumnWidths[c]);
  }
  header->setStretchLastSection(true);
  // The selection keeps the rows' own colours readable.
  lvShareFolder->setStyleSheet(
      "QTableView { gridline-color: #d4d4d4; selection-background-color: #cfe3fb;"
      " selection-color: black; }");
  lvShareFolder->viewport()->installEventFilter(this);
  root->addWidget(lvShareFolder, 1);

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 0, 4, 4);
  btnAddFolder = BarButton("btnAddFolder", "폴더추가", this);
  btnModifyFolder = BarButton("btnModifyFolder", "폴더변경", this);
  btnDelFolder = BarButton("btnDelFolder", "폴더삭제", this);
  btnUpdateFolder = BarButton("btnUpdateFolder", "폴더 업데이트", this);
  bar->addWidget(btnAddFolder);
  bar->addWidget(btnModifyFolder);
  bar->addWidget(btnDelFolder);
  bar->addStretch(1);
  bar->addWidget(btnUpdateFolder);
  root->addLayout(bar);

  connect(btnAddFolder, &QPushButton::clicked, this, &TShareFolderPanel::btnAddFolderClick);
  connect(btnModifyFolder, &QPushButton::clicked, this, &TShareFolderPanel::btnModifyFolderClick);
  connect(btnDelFolder, &QPushButton::clicked, this, &TShareFolderPanel::btnDelFolderClick);
  // The update button works whatever the login state.
  connect(btnUpdateFolder, &QPushButton::clicked, this,
          [this] { FolderUpdate_.btnUpdateFolderClick(); });
  connect(&FolderUpdate_, &TFolderUpdateCommand::folderSizesChanged, this, [this] {
    RefreshList();
    emit foldersChanged();
  });

  SetLoggedIn(false);
}

void TShareFolderPanel::SetLoggedIn(bool loggedIn) {
  btnAddFolder->setEnabled(loggedIn);
  btnModifyFolder->setEnabled(loggedIn);
  btnDelFolder->setEnabled(loggedIn);
}

void TShareFolderPanel::LoadFolderList() {
  State_.FolderList = LoadFolderRows(State_.Databases.DB);
  RefreshList();
  emit foldersChanged();
}

void TShareFolderPanel::ClearFolderList() {
  State_.FolderList.clear();
  Model_->SetRows({});
}

void TShareFolderPanel::EmptyListView() { Model_->SetRows({}); }

void TShareFolderPanel::RefreshList() {
  Model_->SetRows(State_.FolderList);
  ShowClickedRowSelected();
}

int TShareFolderPanel::ClickedFolderRow() const {
  if (!ClickedPNo_) return -1;
  const TFolderList& rows = Model_->Rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].PNo == *ClickedPNo_ && rows[i].No >= 1) return static_cast<int>(i);
  }
  return -1;
}

void TShareFolderPanel::ShowClickedRowSelected() {
  const int row = ClickedFolderRow();
  if (row < 0) {
    lvShareFolder->clearSelection();
    return;
  }
  lvShareFolder->selectRow(row);
}

bool TShareFolderPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lvShareFolder->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) {
      lvShareFolderMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
    } else if (event->type() == QEvent::MouseButtonDblClick) {
      // The second press of a double-click is a press too; then the double-click itself.
      lvShareFolderMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
      if (ClickedFolderRow() >= 0) btnModifyFolderClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TShareFolderPanel::lvShareFolderMouseDown(const QPoint& pos) {
  // Only a click on a row remembers it; keyboard moves of the selection do not.
  const QModelIndex index = lvShareFolder->indexAt(pos);
  if (index.isValid() && index.row() < static_cast<int>(Model_->Rows().size()) &&
      Model_->Rows()[index.row()].No >= 1) {
    ClickedPNo_ = Model_->Rows()[index.row()].PNo;
    ClickedColumn_ = index.column();
  } else {
    ClickedPNo_.reset();
    ClickedColumn_ = -1;
  }
}

void TShareFolderPanel::ReloadAfterChange() {
  ClearFolderList();
  LoadFolderList();
  Prompts_.ShowNotice(kNoticeInfo, store_text::kAppliedLater, "");
}

void TShareFolderPanel::btnAddFolderClick() {
  SetupFolder_.edtFolderPath->clear();
  SetupFolder_.edtFolderName->clear();
  SetupFolder_.chkNotUse->setChecked(false);
  SetupFolder_.chkAdult->setChecked(false);
  SetupFolder_.chkNotSearch->setChecked(false);
  if (SetupFolder_.exec() != kDialogAccepted) return;

  const std::string name = SetupFolder_.edtFolderName->text().trimmed().toStdString();
  const std::string path = SetupFolder_.edtFolderPath->text().trimmed().toStdString();
  if (FindPathConflict(State_.FolderList, 0, path) != -1) {
    Prompts_.ShowNotice(kNoticeInfo, store_text::kFolderExists, "");
    return;
  }
  TShareFolderNodeData record;
  record.Name = name;
  record.Path = path;
  record.Size = 0;
  ReadSwitches(SetupFolder_, record);
  InsertFolderRow(State_.Databases.DB, record);
  ReloadAfterChange();
}

void TShareFolderPanel::btnModifyFolderClick() {
  const int row = ClickedFolderRow();
  if (row < 0) return;
  // The live record: it may carry a size measured since the list was loaded.
  const TShareFolderNodeData shown = Model_->Rows()[row];
  TShareFolderNodeData current = shown;
  for (const TShareFolderNodeData& live : State_.FolderList) {
    if (live.PNo == shown.PNo) current = live;
  }
  SetupFolder_.edtFolderName->setText(QString::fromStdString(current.Name));
  SetupFolder_.edtFolderPath->setText(QString::fromStdString(current.Path));
  SetupFolder_.chkNotUse->setChecked(current.Use == 0);
  SetupFolder_.chkAdult->setChecked(current.Adult != 0);
  SetupFolder_.chkNotSearch->setChecked(current.Search == 0);
  if (SetupFolder_.exec() != kDialogAccepted) return;

  const std::string name = SetupFolder_.edtFolderName->text().trimmed().toStdString();
  const std::string path = SetupFolder_.edtFolderPath->text().trimmed().toStdString();
  if (FindPathConflict(State_.FolderList, current.PNo, path) != -1) {
    Prompts_.ShowNotice(kNoticeInfo, store_text::kFolderExists, "");
    return;
  }
  // The size as it stands now: a folder update may have measured it meanwhile.
  for (const TShareFolderNodeData& live : State_.FolderList) {
    if (live.PNo == current.PNo) current.Size = live.Size;
  }
  TShareFolderNodeData record;
  record.PNo = current.PNo;
  record.Size = current.Size;
  record.Name = name;
  record.Path = path;
  ReadSwitches(SetupFolder_, record);
  UpdateFolderRow(State_.Databases.DB, record);
  ReloadAfterChange();
}

void TShareFolderPanel::btnDelFolderClick() {
  const int row = ClickedFolderRow();
  if (row < 0) return;
  const int32_t pno = Model_->Rows()[row].PNo;
  if (!Prompts_.AskYesNo(TMessageKind::Information, store_text::kCaptionQuestion,
                         store_text::kDeleteQuestion)) {
    return;
  }
  DeleteFolderRow(State_.Databases.DB, pno);
  ReloadAfterChange();
}

}  // namespace talvesso
