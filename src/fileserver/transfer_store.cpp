#include "fileserver/transfer_store.h"

namespace talvesso {

std::shared_ptr<TTransferRow> TTransferStore::AddStatusRow() {
  auto row = std::make_shared<TTransferRow>(NextId_.fetch_add(1));
  {
    std::lock_guard lock(Mutex_);
    Records_.push_back(row);
  }
  if (Observer_) Observer_->RowAdded(row->View());
  return row;
}

std::vector<TTransferRowView> TTransferStore::Rows() const {
  std::vector<std::shared_ptr<TTransferRow>> rows;
  {
    std::lock_guard lock(Mutex_);
    rows.assign(Records_.rbegin(), Records_.rend());
  }
  std::vector<TTransferRowView> views;
  views.reserve(rows.size());
  for (const auto& row : rows) views.push_back(row->View());
  return views;
}

size_t TTransferStore::Count() const {
  std::lock_guard lock(Mutex_);
  return Records_.size();
}

std::vector<uint64_t> TTransferStore::RemoveFinished() {
  std::vector<uint64_t> removed;
  std::lock_guard lock(Mutex_);
  std::vector<std::shared_ptr<TTransferRow>> kept;
  kept.reserve(Records_.size());
  for (auto& row : Records_) {
    const int32_t state = row->State();
    if (state == kStateWaiting || state == kStateSending)
      kept.push_back(std::move(row));
    else
      removed.push_back(row->Id());
  }
  Records_ = std::move(kept);
  return removed;
}

void TTransferStore::Clear() {
  std::vector<std::shared_ptr<TTransferRow>> old;
  {
    std::lock_guard lock(Mutex_);
    old.swap(Records_);
  }
  // Rows still held by a sender live on until it lets go.
}

}  // namespace talvesso
