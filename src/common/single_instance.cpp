#include "common/single_instance.h"

#include <QDir>
#include <QStandardPaths>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace talvesso {

TSingleInstanceLock::TSingleInstanceLock(const QString& name, const QString& folder) {
#ifdef _WIN32
  Q_UNUSED(folder);
  LockPath_ = name;
  Handle_ = CreateMutexW(nullptr, FALSE, reinterpret_cast<LPCWSTR>(name.utf16()));
  // Any error, "already exists" included, means another copy runs.
  Acquired_ = Handle_ != nullptr && GetLastError() == ERROR_SUCCESS;
#else
  QString dir = folder;
  if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  QDir().mkpath(dir);
  LockPath_ = QDir(dir).filePath(name + QStringLiteral(".lock"));
  Fd_ = ::open(QFile::encodeName(LockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // flock() locks belong to the open file description: a second copy (or a second open in
  // this process) cannot take it while the first holds it.
  Acquired_ = Fd_ >= 0 && ::flock(Fd_, LOCK_EX | LOCK_NB) == 0;
#endif
}

TSingleInstanceLock::~TSingleInstanceLock() {
#ifdef _WIN32
  if (Handle_) CloseHandle(Handle_);
#else
  // Closing releases the lock; the file stays so a waiting copy never races on its creation.
  if (Fd_ >= 0) ::close(Fd_);
#endif
}

}  // namespace talvesso
