// The transfer panel's content: the list lvSendStatus and, in a bar under it, the clean-up
// button btnRefresh that removes the finished rows.
#pragma once

#include <QWidget>

class QPushButton;
class QTableView;

namespace talvesso {

class TTransferStore;
class TTransferListModel;

inline constexpr const char* kRefreshCaption = "전송완료/에러/취소 목록에서 제거";

class TTransferPanel : public QWidget {
  Q_OBJECT
 public:
  TTransferPanel(TTransferStore& store, TTransferListModel& model, QWidget* parent = nullptr);

  // The clean-up command: rows neither waiting nor sending leave the list; the rest keep
  // their order and are numbered again from the new count.
  void btnRefreshClick();
  // Every row goes (a new start of sharing).
  void ClearRows();
  int RowCount() const;

  QTableView* lvSendStatus;
  QPushButton* btnRefresh;

 private:
  TTransferStore& Store_;
  TTransferListModel& Model_;
};

}  // namespace talvesso
