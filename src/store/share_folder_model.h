// The rows of lvShareFolder: a copy of the registered folders taken at each refresh, with
// the texts, icons, alignments and alternating colours of the list.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include "store/share_folder.h"

namespace talvesso {

class TShareFolderModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum TColumn { ColNo, ColUse, ColPath, ColName, ColSize, ColAdult, ColSearch, ColFiller };
  static constexpr int kColumnCount = 8;
  static constexpr int kColumnWidths[kColumnCount] = {35, 70, 290, 150, 75, 48, 65, 100};

  explicit TShareFolderModel(QObject* parent = nullptr);

  // Replaces the rows with a copy of `folders` (the list view's row count goes to 0, then to
  // the new length).
  void SetRows(const TFolderList& folders);
  const TFolderList& Rows() const { return Rows_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  TFolderList Rows_;
  QIcon InUseIcon_;
  QIcon PausedIcon_;
};

}  // namespace talvesso
