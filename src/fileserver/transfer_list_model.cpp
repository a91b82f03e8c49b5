#include "fileserver/transfer_list_model.h"

#include <QColor>
#include <cmath>

#include "common/text_format.h"
#include "fileserver/transfer_store.h"

namespace talvesso {

namespace {

constexpr const char* kHeaders[kTransferColumnCount] = {
    "No", "상 태", "사용자", "파일명", "용량", "보낸용량", "비 율", "속도", "남은시간", ""};

bool IsCentred(int column) { return column == 0 || (column >= 4 && column <= 8); }

bool SameFields(const TSendStatusNodeData& a, const TSendStatusNodeData& b) {
  return a.State == b.State && a.Position == b.Position && a.Speed == b.Speed &&
         a.RemainSec == b.RemainSec && a.FileSize == b.FileSize && a.StartOffset == b.StartOffset &&
         a.FilePNo == b.FilePNo && a.PeerUserId == b.PeerUserId && a.FilePath == b.FilePath &&
         a.TransferUid == b.TransferUid;
}

}  // namespace

const char* TransferColumnHeader(int column) {
  return column >= 0 && column < kTransferColumnCount ? kHeaders[column] : "";
}

std::string RemainTimeText(int32_t remainSec) {
  const int32_t minutes = remainSec / 60;
  std::string text;
  if (minutes > 0) text = std::to_string(minutes) + "분";
  return text + std::to_string(remainSec % 60) + "초";
}

std::string TransferCellText(const TSendStatusNodeData& row, int column, int64_t rowNumber) {
  switch (column) {
    case 0:
      return std::to_string(rowNumber);
    case 1:
      return StateText(row.State);
    case 2:
      return row.PeerUserId;
    case 3:
      return row.FilePath;
    case 4:
      return FormatByteSize(row.FileSize);
    case 5:
      return FormatByteSize(row.Position);
    case 6: {
      // Rounded to the nearest whole percent, ties to even; a grown file goes above 100%.
      const double ratio = row.FileSize > 0 ? static_cast<double>(row.Position) * 100.0 /
                                                  static_cast<double>(row.FileSize)
                                            : 0.0;
      return std::to_string(static_cast<int64_t>(std::nearbyint(ratio))) + "%";
    }
    case 7:
      if (row.State == kStateSending || row.State == kStateComplete)
        return FormatByteSize(row.Speed) + "/s";
      return {};
    case 8:
      if (row.State == kStateSending) return RemainTimeText(row.RemainSec);
      return {};
    default:
      return {};
  }
}

int CountActiveTransfers(const TTransferStore& store) {
  int active = 0;
  for (const TTransferRowView& row : store.Rows()) {
    if (row.Data.State == kStateWaiting || row.Data.State == kStateSending) ++active;
  }
  return active;
}

TTransferListModel::TTransferListModel(TTransferStore& store, QObject* parent)
    : QAbstractTableModel(parent), Store_(store) {}

int TTransferListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Rows_.size());
}

int TTransferListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kTransferColumnCount;
}

QVariant TTransferListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(Rows_.size())) return {};
  const TSendStatusNodeData& row = Rows_[static_cast<size_t>(index.row())].Data;
  switch (role) {
    case Qt::DisplayRole: {
      const int64_t number = static_cast<int64_t>(Rows_.size()) - index.row();
      return QString::fromStdString(TransferCellText(row, index.column(), number));
    }
    case Qt::BackgroundRole:
      return QColor::fromRgb(static_cast<QRgb>(StateColour(row.State)));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignVCenter |
                                 (IsCentred(index.column()) ? Qt::AlignHCenter : Qt::AlignLeft));
    default:
      return {};
  }
}

QVariant TTransferListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(TransferColumnHeader(section));
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter |
                               (IsCentred(section) ? Qt::AlignHCenter : Qt::AlignLeft));
  return {};
}

void TTransferListModel::Sync() {
  std::vector<TTransferRowView> fresh = Store_.Rows();

  // The usual case: the rows shown are still there, in order, below some new ones.
  bool onlyAdded = fresh.size() >= Rows_.size();
  const size_t added = onlyAdded ? fresh.size() - Rows_.size() : 0;
  for (size_t i = 0; onlyAdded && i < Rows_.size(); ++i) {
    onlyAdded = fresh[added + i].Id == Rows_[i].Id;
  }
  if (!onlyAdded) {
    // Rows went (clean-up, a new start): numbers and positions change for the rest.
    beginResetModel();
    Rows_ = std::move(fresh);
    endResetModel();
    return;
  }

  if (added > 0) {
    beginInsertRows({}, 0, static_cast<int>(added) - 1);
    Rows_.insert(Rows_.begin(), fresh.begin(), fresh.begin() + static_cast<ptrdiff_t>(added));
    endInsertRows();
  }

  std::vector<int> changed;
  for (size_t i = added; i < Rows_.size(); ++i) {
    if (!SameFields(Rows_[i].Data, fresh[i].Data)) {
      Rows_[i].Data = std::move(fresh[i].Data);
      changed.push_back(static_cast<int>(i));
    }
  }
  if (changed.empty()) return;
  const int lastColumn = kTransferColumnCount - 1;
  if (changed.size() * 2 > Rows_.size() && changed.size() > 4) {
    // Most rows moved on: one signal for the span instead of one per row.
    emit dataChanged(index(changed.front(), 0), index(changed.back(), lastColumn));
  } else {
    for (int row : changed) emit dataChanged(index(row, 0), index(row, lastColumn));
  }
}

}  // namespace talvesso
