// The single-instance guard: one running copy per user. A lock file held with flock() in the
// user's runtime folder on Linux (released by the system when the process ends, even on a
// crash); a named mutex on Windows.
#pragma once

#include <QString>

namespace talvesso {

inline constexpr const char* kInstanceMutexName = "Mutex_Talvesso_Server";

class TSingleInstanceLock {
 public:
  // `folder` holds the lock file; empty means the user's runtime folder.
  explicit TSingleInstanceLock(const QString& name, const QString& folder = {});
  ~TSingleInstanceLock();
  TSingleInstanceLock(const TSingleInstanceLock&) = delete;
  TSingleInstanceLock& operator=(const TSingleInstanceLock&) = delete;

  // false when another copy holds the lock (or it could not be taken at all).
  bool Acquired() const { return Acquired_; }
  const QString& LockPath() const { return LockPath_; }

 private:
  QString LockPath_;
  bool Acquired_ = false;
#ifdef _WIN32
  void* Handle_ = nullptr;
#else
  int Fd_ = -1;
#endif
};

}  // namespace talvesso
