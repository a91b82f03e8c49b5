#include "fileserver/prSvrModule.h"

#include <sys/socket.h>

#include <chrono>
#include <limits>

#include "common/text_format.h"
#include "fileserver/check_port.h"
#include "fileserver/listen_socket.h"
#include "fileserver/send_thread.h"
#include "fileserver/session_user.h"

namespace talvesso {

namespace {
constexpr auto kStopWait = std::chrono::milliseconds(5000);
constexpr auto kAcceptRetryPause = std::chrono::milliseconds(50);
}  // namespace

struct TSvrModule::TListener {
  explicit TListener(asio::io_context& io) : Acceptor(io) {}
  asio::ip::tcp::acceptor Acceptor;
  std::thread Thread;
  std::atomic<bool> Stopping{false};
  int32_t MaxConn = 0;
};

struct TSvrModule::TConnectionThread {
  std::thread Thread;
  bool Done = false;  // guarded by SessionsMutex_
};

TSvrModule::TSvrModule(TSettings& settings, TDownloadBackend& backend,
                       TFileServerObserver* observer)
    : Settings_(settings), Backend_(backend), Observer_(observer), Records_(observer) {
  for (auto& slot : SpeedSlots_) slot.store(0);
}

TSvrModule::~TSvrModule() {
  StopListener();
  // Threads still ending (a sender waiting for the backend) are waited for without a limit:
  // they use this object until they return.
  ReapConnections(/*waitForAll=*/true);
}

int32_t TSvrModule::CheckPort(int32_t port, std::string* error) {
  return talvesso::CheckPort(port, error);
}

int32_t TSvrModule::StartListener(int32_t port, int32_t maxConn) {
  ListenPort_ = port;
  ListenMaxConn_ = maxConn;
  if (Listener_) StopListener();  // a start always begins with a fresh listener
  auto listener = std::make_unique<TListener>(Io_);
  listener->MaxConn = maxConn;
  if (OpenListener(listener->Acceptor, port, protocol::kListenBacklog)) return kListenFailed;
  std::error_code ec;
  const auto local = listener->Acceptor.local_endpoint(ec);
  if (ec || !listener->Acceptor.is_open()) return kListenInactive;
  try {
    listener->Thread = std::thread(&TSvrModule::AcceptLoop, this, listener.get());
  } catch (const std::system_error&) {
    return kListenInactive;
  }
  LocalPort_ = local.port();
  Listener_ = std::move(listener);
  Listening_ = true;
  return kListenStarted;
}

bool TSvrModule::StopListener() {
  if (Listener_) {
    Listener_->Stopping = true;
    // Wakes the blocked accept; the thread then sees Stopping and returns.
    ::shutdown(Listener_->Acceptor.native_handle(), SHUT_RDWR);
    if (Listener_->Thread.joinable()) Listener_->Thread.join();
    std::error_code ignored;
    Listener_->Acceptor.close(ignored);
    Listener_.reset();
  }
  {
    std::unique_lock lock(SessionsMutex_);
    for (auto& session : SessionList_) session->Connection().Close();
    SessionsChanged_.wait_for(lock, kStopWait, [this] {
      for (auto& c : Connections_)
        if (!c->Done) return false;
      return true;
    });
  }
  ReapConnections(/*waitForAll=*/false);
  Listening_ = false;
  LocalPort_ = 0;
  return true;
}

void TSvrModule::ClearSessions() { ReapConnections(/*waitForAll=*/false); }

void TSvrModule::AcceptLoop(TListener* listener) {
  for (;;) {
    asio::ip::tcp::socket socket(Io_);
    std::error_code ec;
    listener->Acceptor.accept(socket, ec);
    if (listener->Stopping) return;
    if (ec) {
      // Out of descriptors or a connection that died in the queue: try again shortly.
      std::this_thread::sleep_for(kAcceptRetryPause);
      continue;
    }
    ReapConnections(/*waitForAll=*/false);
    if (listener->MaxConn > 0 && SessionCount_.load() >= listener->MaxConn) {
      socket.close(ec);  // over the limit: closed at once, not a byte sent
      continue;
    }
    // Replies are short lines that the peer waits for; send each at once.
    socket.set_option(asio::ip::tcp::no_delay(true), ec);
    StartConnection(std::move(socket));
  }
}

void TSvrModule::StartConnection(asio::ip::tcp::socket socket) {
  std::lock_guard lock(SessionsMutex_);
  if (++SessionSerial_ > protocol::kSpeedSlotCount) SessionSerial_ = 1;
  auto session = std::make_shared<TSessionUser>(
      std::move(socket), SessionSerial_,
      [this](const TTransferRowView& row) { NotifyRowChanged(row); });
  auto slot = std::make_unique<TConnectionThread>();
  TConnectionThread* self = slot.get();
  try {
    // Started under the lock, so the thread cannot report itself done before it is stored.
    slot->Thread = std::thread(&TSvrModule::RunConnection, this, session, self);
  } catch (const std::system_error&) {
    return;  // the socket closes with the session
  }
  SessionList_.push_back(session);
  SessionCount_ = static_cast<int32_t>(SessionList_.size());
  Connections_.push_back(std::move(slot));
}

void TSvrModule::RunConnection(std::shared_ptr<TSessionUser> session, TConnectionThread* self) {
  ListenerExecute(*session);
  // The loop ended (peer closed, line too long, socket error, stop): close the connection,
  // let the sender finish, then the session goes.
  session->FinishSending();
  session->Connection().Release();
  RemoveSession(session);
  session.reset();
  UpdateTransferSummary();
  std::lock_guard lock(SessionsMutex_);
  self->Done = true;
  SessionsChanged_.notify_all();
}

void TSvrModule::RemoveSession(const std::shared_ptr<TSessionUser>& session) {
  std::lock_guard lock(SessionsMutex_);
  SpeedSlots_[session->Serial() - 1].store(0);
  std::erase(SessionList_, session);
  SessionCount_ = static_cast<int32_t>(SessionList_.size());
}

void TSvrModule::ReapConnections(bool waitForAll) {
  std::list<std::unique_ptr<TConnectionThread>> finished;
  {
    std::unique_lock lock(SessionsMutex_);
    if (waitForAll)
      SessionsChanged_.wait(lock, [this] {
        for (auto& c : Connections_)
          if (!c->Done) return false;
        return true;
      });
    for (auto it = Connections_.begin(); it != Connections_.end();) {
      auto next = std::next(it);
      if ((*it)->Done) finished.splice(finished.end(), Connections_, it);
      it = next;
    }
  }
  for (auto& c : finished) c->Thread.join();
}

void TSvrModule::SetSpeedSlot(int32_t serial, int32_t speed) {
  if (serial >= 1 && serial <= protocol::kSpeedSlotCount)
    SpeedSlots_[serial - 1].store(speed, std::memory_order_relaxed);
}

int32_t TSvrModule::SumSpeeds() {
  {
    std::lock_guard lock(SessionsMutex_);
    if (SessionList_.empty()) {
      for (auto& slot : SpeedSlots_) slot.store(0);
      return 0;
    }
  }
  int64_t total = 0;
  for (auto& slot : SpeedSlots_) {
    const int32_t v = slot.load(std::memory_order_relaxed);
    if (v > 0) total += v;
  }
  return static_cast<int32_t>(std::min<int64_t>(total, std::numeric_limits<int32_t>::max()));
}

void TSvrModule::UpdateTransferSummary() {
  const int32_t total = SumSpeeds();
  if (total > 0) LastServerBps_ = total;
  TTransferSummary summary;
  summary.TotalBps = total;
  summary.SessionCount = SessionCount_.load();
  summary.MaxConn = Settings_.Snapshot().MaxConn;
  summary.Text = "전송상태: " + FormatByteSize(total) + "/Sec (" +
                 std::to_string(summary.SessionCount) + "/" + std::to_string(summary.MaxConn) + ")";
  if (Observer_) Observer_->SummaryChanged(summary);
}

void TSvrModule::NotifyRowChanged(const TTransferRowView& row) {
  if (Observer_) Observer_->RowChanged(row);
}

bool TSvrModule::Serve(TSessionUser& session, const TSendRequest& request) {
  TSendThread sender(*this, session, request);
  return sender.SendFile();
}

}  // namespace talvesso
