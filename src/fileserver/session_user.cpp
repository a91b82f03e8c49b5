#include "fileserver/session_user.h"

#include <csignal>

#include "common/thread_priority.h"

namespace talvesso {

TSessionUser::TSessionUser(asio::ip::tcp::socket socket, int32_t serial, TRowChanged rowChanged)
    : Connection_(std::move(socket)), Serial_(serial), RowChanged_(std::move(rowChanged)) {}

TSessionUser::~TSessionUser() { FinishSending(); }

void TSessionUser::QueueRequest(TSendRequest request, const TServeFunction& serve) {
  bool start = false;
  {
    std::lock_guard lock(Mutex_);
    Pending_.push_back(std::move(request));
    if (!SenderActive_) SenderActive_ = start = true;
  }
  if (!start) return;  // the running sender takes it when the current transfer ends
  // The previous sender has already given up its turn; it is at most returning.
  if (Sender_.joinable()) Sender_.join();
  try {
    Sender_ = std::thread(&TSessionUser::RunSender, this, serve);
  } catch (const std::system_error&) {
    std::deque<TSendRequest> pending;
    {
      std::lock_guard lock(Mutex_);
      pending.swap(Pending_);
      SenderActive_ = false;
    }
    Connection_.Close();
    Cancel(pending);
  }
}

void TSessionUser::RequestStop() {
  std::lock_guard lock(Mutex_);
  if (SenderActive_) StopRequested_ = true;
}

void TSessionUser::RunSender(TServeFunction serve) {
  // Transfers take only the processor time nothing else wants; refusal is harmless.
  SetCurrentThreadIdlePriority();
  // A peer that vanishes must show up as a failed write, not as a signal.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

  for (;;) {
    TSendRequest request;
    std::deque<TSendRequest> cancelled;
    {
      std::lock_guard lock(Mutex_);
      if (Connection_.Closed()) cancelled.swap(Pending_);
      if (Pending_.empty()) {
        SenderActive_ = false;
        StopRequested_ = false;
      } else {
        request = std::move(Pending_.front());
        Pending_.pop_front();
        StopRequested_ = false;  // a stop concerns the transfer that was running
      }
    }
    Cancel(cancelled);
    if (!request.Row) return;
    if (!serve(request)) Connection_.Close();
  }
}

void TSessionUser::Cancel(std::deque<TSendRequest>& requests) {
  for (auto& request : requests) {
    auto view =
        request.Row->ModifyAndView([](TSendStatusNodeData& d) { d.State = kStateCancelled; });
    if (RowChanged_) RowChanged_(view);
  }
  requests.clear();
}

void TSessionUser::FinishSending() {
  Connection_.Close();
  if (Sender_.joinable()) Sender_.join();
}

}  // namespace talvesso
