// Carries the file server's reports (from connection and sender threads) to the UI thread.
// A busy server reports thousands of row changes a second; the feed only notes that something
// changed and refreshes the list and the summary at most once per coalescing interval, so the
// UI thread's work grows with the number of visible rows, not with the traffic.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <mutex>

#include "fileserver/file_server_observer.h"

class QTimer;

namespace talvesso {

class TTransferListModel;

inline constexpr int kTransferFlushMs = 150;

class TTransferFeed : public QObject, public TFileServerObserver {
  Q_OBJECT
 public:
  explicit TTransferFeed(QObject* parent = nullptr);
  ~TTransferFeed() override;

  // The list to refresh; set once, before the server reports anything.
  void Attach(TTransferListModel* model) { Model_ = model; }

  // TFileServerObserver (any thread)
  void RowAdded(const TTransferRowView& row) override;
  void RowChanged(const TTransferRowView& row) override;
  void SummaryChanged(const TTransferSummary& summary) override;

  // Applies whatever is pending now (UI thread).
  void Flush();
  // Refreshes handed to the UI thread so far (for measurements and tests).
  int FlushCount() const { return FlushCount_; }

 signals:
  // The status-bar summary, "전송상태: 1.25 MB/Sec (3/10)".
  void summaryChanged(const QString& text);

 private:
  void MarkPending(bool rows);

  TTransferListModel* Model_ = nullptr;
  QTimer* FlushTimer_;
  std::mutex Mutex_;
  bool Scheduled_ = false;    // a flush is on its way (guarded by Mutex_)
  bool RowsPending_ = false;  // guarded by Mutex_
  bool SummaryPending_ = false;
  QString Summary_;     // guarded by Mutex_
  int FlushCount_ = 0;  // UI thread
};

}  // namespace talvesso
