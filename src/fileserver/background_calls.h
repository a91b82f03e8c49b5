// Backend calls whose answer nobody waits for (the heartbeat, the stop report, the point
// refresh): each runs on a thread of its own, so a slow backend never holds the UI thread or
// a timer tick. A result, when there is one, comes back on the UI thread; after the owner is
// gone it is dropped. The destructor waits for the calls still under way (each has the
// request layer's time limits).
#pragma once

#include <QObject>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace talvesso {

class TBackgroundCalls : public QObject {
  Q_OBJECT
 public:
  explicit TBackgroundCalls(QObject* parent = nullptr) : QObject(parent) {}
  ~TBackgroundCalls() override;

  // Runs `work` on its own thread.
  void Run(std::function<void()> work);
  // Runs `work` on its own thread and `done` with its result on this object's thread.
  template <typename T>
  void Run(std::function<T()> work, std::function<void(T)> done) {
    // The destructor joins every call before this object goes, so `this` is alive here; a
    // result posted to it after it went is discarded with its events.
    Run([this, work = std::move(work), done = std::move(done)] {
      T result = work();
      QMetaObject::invokeMethod(
          this, [done, result] { done(result); }, Qt::QueuedConnection);
    });
  }
  // Calls started and not yet finished.
  int Pending() const;

 private:
  struct TCall {
    std::thread Thread;
    bool Done = false;
  };
  void JoinFinished();

  mutable std::mutex Mutex_;
  std::list<TCall> Calls_;
};

}  // namespace talvesso
