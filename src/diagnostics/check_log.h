// The network check's trace: the newest 100 lines, kept across checks.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace talvesso {

class TCheckLog {
 public:
  static constexpr size_t kMaxLines = 100;

  // Appends a line; the oldest lines go once there are more than kMaxLines. The observer
  // (if any) sees the line after the lock is released, on the appending thread.
  void Append(const std::string& line);
  std::vector<std::string> Lines() const;
  void SetObserver(std::function<void(const std::string& line)> observer);

 private:
  mutable std::mutex Mutex_;
  std::deque<std::string> Lines_;
  std::function<void(const std::string&)> Observer_;
};

}  // namespace talvesso
