#include "fileserver/background_calls.h"

namespace talvesso {

TBackgroundCalls::~TBackgroundCalls() {
  std::list<TCall> calls;
  {
    std::lock_guard lock(Mutex_);
    calls.swap(Calls_);
  }
  for (TCall& call : calls) {
    if (call.Thread.joinable()) call.Thread.join();
  }
}

void TBackgroundCalls::Run(std::function<void()> work) {
  JoinFinished();
  std::lock_guard lock(Mutex_);
  TCall& call = Calls_.emplace_back();
  TCall* slot = &call;
  // Started under the lock, so the thread cannot mark itself done before it is stored.
  call.Thread = std::thread([this, slot, work = std::move(work)] {
    try {
      work();
    } catch (...) {
      // A call that fails is as good as unanswered.
    }
    std::lock_guard lock(Mutex_);
    slot->Done = true;
  });
}

int TBackgroundCalls::Pending() const {
  std::lock_guard lock(Mutex_);
  int pending = 0;
  for (const TCall& call : Calls_) pending += call.Done ? 0 : 1;
  return pending;
}

void TBackgroundCalls::JoinFinished() {
  std::list<TCall> finished;
  {
    std::lock_guard lock(Mutex_);
    for (auto it = Calls_.begin(); it != Calls_.end();) {
      auto next = std::next(it);
      if (it->Done) finished.splice(finished.end(), Calls_, it);
      it = next;
    }
  }
  for (TCall& call : finished) call.Thread.join();
}

}  // namespace talvesso
