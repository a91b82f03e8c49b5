// The transfer list lvSendStatus as a table model: one row per transfer, newest on top, ten
// columns with the texts, alignments and row colours the member sees. The model keeps its own
// copy of the rows and refreshes it from the transfer store on the UI thread (Sync), so painting
// never touches the rows the file server threads are writing.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <vector>

#include "fileserver/transfer_record.h"

namespace talvesso {

class TTransferStore;

inline constexpr int kTransferColumnCount = 10;
// Column widths in pixels, left to right.
inline constexpr int kTransferColumnWidths[kTransferColumnCount] = {30, 65, 65, 250, 75,
                                                                    75, 50, 70, 65,  50};

// Header text of a column (UTF-8; empty for the last column).
const char* TransferColumnHeader(int column);
// The text of one cell. `rowNumber` is the number shown in column 0.
std::string TransferCellText(const TSendStatusNodeData& row, int column, int64_t rowNumber);
// "2분5초", "45초", "0초".
std::string RemainTimeText(int32_t remainSec);

// Transfers waiting or sending (state 0 or 3), counted on the store itself.
int CountActiveTransfers(const TTransferStore& store);

class TTransferListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TTransferListModel(TTransferStore& store, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Brings the copy up to date with the store: new rows are inserted on top, changed rows
  // repainted one by one (or the whole list reset when most of it changed).
  void Sync();

  // The rows as shown, newest first (UI thread).
  const std::vector<TTransferRowView>& Rows() const { return Rows_; }

 private:
  TTransferStore& Store_;
  std::vector<TTransferRowView> Rows_;  // newest first
};

}  // namespace talvesso
