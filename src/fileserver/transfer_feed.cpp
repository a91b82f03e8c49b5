#include "fileserver/transfer_feed.h"

#include <QMetaObject>
#include <QTimer>

#include "fileserver/transfer_list_model.h"

namespace talvesso {

TTransferFeed::TTransferFeed(QObject* parent) : QObject(parent), FlushTimer_(new QTimer(this)) {
  FlushTimer_->setSingleShot(true);
  FlushTimer_->setInterval(kTransferFlushMs);
  connect(FlushTimer_, &QTimer::timeout, this, &TTransferFeed::Flush);
}

TTransferFeed::~TTransferFeed() = default;

void TTransferFeed::RowAdded(const TTransferRowView&) { MarkPending(true); }

void TTransferFeed::RowChanged(const TTransferRowView&) { MarkPending(true); }

void TTransferFeed::SummaryChanged(const TTransferSummary& summary) {
  const QString text = QString::fromStdString(summary.Text);
  {
    std::lock_guard lock(Mutex_);
    Summary_ = text;
    SummaryPending_ = true;
  }
  MarkPending(false);
}

void TTransferFeed::MarkPending(bool rows) {
  {
    std::lock_guard lock(Mutex_);
    if (rows) RowsPending_ = true;
    if (Scheduled_) return;
    Scheduled_ = true;
  }
  // One hand-over per interval, whatever the traffic; the timer lives on the UI thread.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (!FlushTimer_->isActive()) FlushTimer_->start();
      },
      Qt::QueuedConnection);
}

void TTransferFeed::Flush() {
  bool rows = false;
  bool summary = false;
  QString text;
  {
    std::lock_guard lock(Mutex_);
    Scheduled_ = false;
    rows = RowsPending_;
    summary = SummaryPending_;
    RowsPending_ = SummaryPending_ = false;
    if (summary) text = Summary_;
  }
  ++FlushCount_;
  if (rows && Model_) Model_->Sync();
  if (summary) emit summaryChanged(text);
}

}  // namespace talvesso
