#include "diagnostics/check_log.h"

namespace talvesso {

void TCheckLog::Append(const std::string& line) {
  std::function<void(const std::string&)> observer;
  {
    std::lock_guard lock(Mutex_);
    Lines_.push_back(line);
    while (Lines_.size() > kMaxLines) Lines_.pop_front();
    observer = Observer_;
  }
  if (observer) observer(line);
}

std::vector<std::string> TCheckLog::Lines() const {
  std::lock_guard lock(Mutex_);
  return {Lines_.begin(), Lines_.end()};
}

void TCheckLog::SetObserver(std::function<void(const std::string&)> observer) {
  std::lock_guard lock(Mutex_);
  Observer_ = std::move(observer);
}

}  // namespace talvesso
