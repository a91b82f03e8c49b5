// The transfer rows of the run, in order of creation; shown newest first.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "fileserver/file_server_observer.h"
#include "fileserver/transfer_record.h"

namespace talvesso {

class TTransferStore {
 public:
  explicit TTransferStore(TFileServerObserver* observer) : Observer_(observer) {}

  // Adds a blank row in state 0 on top of the list and returns it. The caller and the store
  // share the row, so removing it from the list never frees a row a sender still writes.
  std::shared_ptr<TTransferRow> AddStatusRow();

  // Copies of every row, newest first. A row's number in the list is Count() minus its index.
  std::vector<TTransferRowView> Rows() const;
  size_t Count() const;

  // The clean-up command: removes every row whose state is neither 0 (waiting) nor 3
  // (running); the rest keep their order. Returns the ids removed.
  std::vector<uint64_t> RemoveFinished();

  // Removes every row.
  void Clear();

 private:
  TFileServerObserver* Observer_;
  mutable std::mutex Mutex_;
  std::vector<std::shared_ptr<TTransferRow>> Records_;  // oldest first
  std::atomic<uint64_t> NextId_{1};
};

}  // namespace talvesso
