// How the file server tells the display about transfers. Called from connection and sender
// threads, never while the server holds a lock; every argument is a copy. A desktop front end
// posts these to its UI thread.
#pragma once

#include <cstdint>
#include <string>

#include "fileserver/transfer_record.h"

namespace talvesso {

// The status-bar summary: total send rate and connections.
struct TTransferSummary {
  int32_t TotalBps = 0;
  int32_t SessionCount = 0;
  int32_t MaxConn = 0;
  std::string Text;  // "전송상태: 1.25 MB/Sec (3/10)"
};

class TFileServerObserver {
 public:
  virtual ~TFileServerObserver() = default;
  // A new row, newest on top of the list.
  virtual void RowAdded(const TTransferRowView& row) {}
  // A row's fields changed (state changes, and the periodic refresh while streaming).
  virtual void RowChanged(const TTransferRowView& row) {}
  virtual void SummaryChanged(const TTransferSummary& summary) {}
};

}  // namespace talvesso
