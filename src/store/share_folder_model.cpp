#include "store/share_folder_model.h"

#include <QColor>

#include "common/text_format.h"
#include "store/store_resources.h"

namespace talvesso {

TShareFolderModel::TShareFolderModel(QObject* parent) : QAbstractTableModel(parent) {
  InitStoreResources();
  InUseIcon_ = QIcon(":/store/folder_shared.svg");
  PausedIcon_ = QIcon(":/store/folder_paused.svg");
}

void TShareFolderModel::SetRows(const TFolderList& folders) {
  beginResetModel();
  Rows_ = folders;
  endResetModel();
}

int TShareFolderModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Rows_.size());
}

int TShareFolderModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant TShareFolderModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(Rows_.size())) return {};
  const TShareFolderNodeData& row = Rows_[index.row()];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case ColNo:
          return index.row() + 1;
        case ColUse:
          return QString::fromUtf8(row.Use == 1 ? "사용" : "미사용");
        case ColPath:
          return QString::fromStdString(row.Path);
        case ColName:
          return QString::fromStdString(row.Name);
        case ColSize:
          return QString::fromStdString(FormatByteSize(row.Size));
        case ColAdult:
          return row.Adult == 1 ? QString::fromUtf8("성인") : QString();
        case ColSearch:
          return row.Search == 1 ? QString::fromUtf8("허용") : QString();
        default:
          return QString();
      }
    case Qt::DecorationRole:
      if (column == ColUse) return row.Use == 1 ? InUseIcon_ : PausedIcon_;
      return {};
    case Qt::TextAlignmentRole:
      switch (column) {
        case ColNo:
        case ColSize:
        case ColAdult:
        case ColSearch:
          return int(Qt::AlignCenter);
        default:
          return int(Qt::AlignLeft | Qt::AlignVCenter);
      }
    case Qt::BackgroundRole:
      return index.row() % 2 == 0 ? QColor(Qt::white) : QColor(0xEF, 0xEF, 0xEF);
    case Qt::ForegroundRole:
      return QColor(Qt::black);
    case Qt::ToolTipRole:
      if (column == ColPath) return QString::fromStdString(row.Path);
      return {};
    default:
      return {};
  }
}

QVariant TShareFolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  static const char* const kHeaders[kColumnCount] = {"No",       "사용여부", "폴더",     "공유이름",
                                                     "전체용량", "성인",     "검색허용", ""};
  if (role == Qt::DisplayRole && section >= 0 && section < kColumnCount) {
    return QString::fromUtf8(kHeaders[section]);
  }
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  return {};
}

}  // namespace talvesso
