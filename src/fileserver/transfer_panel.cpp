#include "fileserver/transfer_panel.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "fileserver/transfer_list_model.h"
#include "fileserver/transfer_store.h"

namespace talvesso {

namespace {
constexpr int kRowHeight = 25;
constexpr int kHeaderHeight = 25;
constexpr int kBarHeight = 36;
}  // namespace

TTransferPanel::TTransferPanel(TTransferStore& store, TTransferListModel& model, QWidget* parent)
    : QWidget(parent), Store_(store), Model_(model) {
  lvSendStatus = new QTableView(this);
  lvSendStatus->setObjectName(QStringLiteral("lvSendStatus"));
  lvSendStatus->setModel(&model);
  lvSendStatus->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvSendStatus->setSelectionMode(QAbstractItemView::SingleSelection);
  lvSendStatus->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvSendStatus->setShowGrid(true);
  lvSendStatus->setFocusPolicy(Qt::NoFocus);  // no focus rectangle
  lvSendStatus->setWordWrap(false);
  lvSendStatus->setTextElideMode(Qt::ElideMiddle);
  lvSendStatus->setStyleSheet(
      QStringLiteral("QTableView { background: white; }"
                     "QHeaderView::section { background: #F2F4F5; border: 1px solid #C8CCCE; "
                     "padding: 2px; }"));
  QFont font = lvSendStatus->font();
  font.setPointSize(8);
  lvSendStatus->setFont(font);
  lvSendStatus->verticalHeader()->setVisible(false);
  lvSendStatus->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  lvSendStatus->verticalHeader()->setDefaultSectionSize(kRowHeight);
  QHeaderView* header = lvSendStatus->horizontalHeader();
  header->setFixedHeight(kHeaderHeight);
  header->setSectionsMovable(true);
  header->setSectionsClickable(false);  // rows keep their order: no sorting
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  for (int column = 0; column < kTransferColumnCount; ++column) {
    lvSendStatus->setColumnWidth(column, kTransferColumnWidths[column]);
  }

  btnRefresh = new QPushButton(QString::fromUtf8(kRefreshCaption), this);
  btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
  btnRefresh->setFixedSize(258, 28);
  connect(btnRefresh, &QPushButton::clicked, this, &TTransferPanel::btnRefreshClick);

  auto* bar = new QWidget(this);
  bar->setFixedHeight(kBarHeight);
  auto* barLayout = new QHBoxLayout(bar);
  barLayout->setContentsMargins(4, 4, 4, 4);
  barLayout->addStretch(1);
  barLayout->addWidget(btnRefresh);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(lvSendStatus, 1);
  layout->addWidget(bar);
}

void TTransferPanel::btnRefreshClick() {
  Store_.RemoveFinished();
  Model_.Sync();
}

void TTransferPanel::ClearRows() {
  Store_.Clear();
  Model_.Sync();
}

int TTransferPanel::RowCount() const { return static_cast<int>(Store_.Count()); }

}  // namespace talvesso
