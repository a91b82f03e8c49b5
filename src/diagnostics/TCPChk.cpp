#include "diagnostics/TCPChk.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "common/cp949.h"
#include "diagnostics/check_parsing.h"
#include "diagnostics/check_socket.h"
#include "diagnostics/diagnostics_texts.h"
#include "diagnostics/test_block.h"

namespace talvesso {

namespace {

constexpr int kPollSliceMs = 50;
constexpr const char* kLocalHost = "127.0.0.1";

}  // namespace

// The sockets of one check and the event handling while the check waits: an accepted
// connect-back is logged whenever it arrives, reply bytes are read only while an exchange
// waits for them and never beyond the end of the current block.
class TTCPChk::TRun {
 public:
  TRun(TTCPChk& owner, TNetworkCheckOutcome& outcome) : Owner_(owner), Outcome_(outcome) {}
  ~TRun() { CloseAll(); }

  bool Listen(int port) {
    Listener_ = OpenListener(port, &Outcome_.Error);
    return Listener_.Valid();
  }

  void ConnectTestServer() {
    auto deadline = TCheckClock::now() + Owner_.Limits_.Connect;
    TConnectResult result =
        ConnectWithin(Owner_.Host_.Host, Owner_.Host_.Port, deadline, Owner_.Stop_);
    if (result.Status == TConnectStatus::Connected) {
      Test_ = std::move(result.Socket);
      Assembler_.Reset();
      Owner_.Log_.Append(diag_text::kServerConnect);
    } else if (result.Status == TConnectStatus::Failed) {
      Outcome_.SocketErrors.push_back(result.Error);
    }
    // Accept a connect-back that arrived meanwhile, so the trace keeps its order.
    Pump(TCheckClock::now(), false, [] { return false; });
  }

  bool Connected() const { return Test_.Valid(); }

  // Sends one request block and waits for one whole reply block. No reply (no connection,
  // connection lost, or no whole block in time) gives nullopt; a connection whose reply did
  // not come in time is closed, since a late block would be taken for the next reply.
  std::optional<std::string> Exchange(const std::string& request) {
    if (!Test_.Valid()) return std::nullopt;
    Assembler_.ExpectReply();
    auto deadline = TCheckClock::now() + Owner_.Limits_.ReplyBlock;
    if (!SendAll(Test_.Get(), MakeTestBlock(request), deadline)) {
      LoseConnection();
      return std::nullopt;
    }
    Pump(deadline, true, [this] { return Assembler_.Complete() || !Test_.Valid(); });
    if (Assembler_.Complete()) return Assembler_.LastText();
    if (Test_.Valid()) LoseConnection();
    return std::nullopt;
  }

  void CloseAll() {
    Listener_.Close();
    Accepted_.clear();
    if (Test_.Valid()) LoseConnection();
  }

 private:
  // Handles socket events until `done` holds (true) or `deadline` passes or the check is
  // cancelled (false). A deadline in the past still handles events already pending.
  bool Pump(TCheckClock::time_point deadline, bool readReply, const std::function<bool()>& done) {
    for (;;) {
      if (done()) return true;
      const bool expired = Owner_.Stop_ || TCheckClock::now() >= deadline;
      pollfd fds[2];
      nfds_t count = 0;
      int listenerIndex = -1;
      int testIndex = -1;
      if (Listener_.Valid()) {
        listenerIndex = static_cast<int>(count);
        fds[count++] = {Listener_.Get(), POLLIN, 0};
      }
      if (readReply && Test_.Valid()) {
        testIndex = static_cast<int>(count);
        fds[count++] = {Test_.Get(), POLLIN, 0};
      }
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TCheckClock::now());
      int waitMs =
          expired ? 0 : static_cast<int>(std::clamp<int64_t>(left.count(), 0, kPollSliceMs));
      if (poll(fds, count, waitMs) > 0) {
        if (listenerIndex >= 0 && (fds[listenerIndex].revents & POLLIN)) AcceptPending();
        if (testIndex >= 0 && fds[testIndex].revents != 0) ReadReply();
      }
      if (expired) return done();
    }
  }

  void AcceptPending() {
    for (;;) {
      int fd = accept4(Listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;  // nothing more pending; errors on accepted connections stay quiet
      Accepted_.emplace_back(fd);
      Owner_.Log_.Append(diag_text::kClientAccepted);
    }
  }

  void ReadReply() {
    ssize_t n = recv(Test_.Get(), Assembler_.WritePosition(), Assembler_.Wanted(), MSG_DONTWAIT);
    if (n > 0) {
      Assembler_.Commit(static_cast<size_t>(n));
    } else if (n == 0) {
      LoseConnection();
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      if (errno != ECONNREFUSED && errno != ETIMEDOUT)
        Outcome_.SocketErrors.push_back(SocketErrorText(errno, "recv"));
      LoseConnection();
    }
  }

  void LoseConnection() {
    Test_.Close();
    Owner_.Log_.Append(diag_text::kServerDisconnect);
  }

  TTCPChk& Owner_;
  TNetworkCheckOutcome& Outcome_;
  TSocketFd Listener_;
  std::vector<TSocketFd> Accepted_;
  TSocketFd Test_;
  TReplyAssembler Assembler_;
};

TTCPChk::TTCPChk(TCheckHost host, TCheckLimits limits) : Host_(std::move(host)), Limits_(limits) {}

TTCPChk::~TTCPChk() {
  Cancel();
  Wait();
}

TNetworkCheckResults TTCPChk::Results() const {
  std::lock_guard lock(ResultsMutex_);
  return Results_;
}

void TTCPChk::UpdateResults(const std::function<void(TNetworkCheckResults&)>& change) {
  std::lock_guard lock(ResultsMutex_);
  change(Results_);
}

void TTCPChk::Cancel() { Stop_ = true; }

void TTCPChk::Wait() {
  std::lock_guard lock(WorkerMutex_);
  if (Worker_.joinable() && Worker_.get_id() != std::this_thread::get_id()) Worker_.join();
}

TNetworkCheckOutcome TTCPChk::RunNetworkCheck(const std::string& portText) {
  bool expected = false;
  if (!Busy_.compare_exchange_strong(expected, true)) {
    TNetworkCheckOutcome busy;
    busy.Error = "A network check is already running";
    return busy;
  }
  Stop_ = false;
  TNetworkCheckOutcome outcome = RunGuarded(portText);
  Busy_ = false;
  return outcome;
}

bool TTCPChk::StartNetworkCheck(const std::string& portText, TDoneHandler onDone) {
  std::lock_guard lock(WorkerMutex_);
  bool expected = false;
  if (!Busy_.compare_exchange_strong(expected, true)) return false;
  if (Worker_.joinable()) {
    // Started from the previous check's completion handler: that thread ends by itself.
    if (Worker_.get_id() == std::this_thread::get_id())
      Worker_.detach();
    else
      Worker_.join();
  }
  Stop_ = false;
  Worker_ = std::thread([this, portText, onDone = std::move(onDone)] {
    TNetworkCheckOutcome outcome = RunGuarded(portText);
    Busy_ = false;
    if (onDone) onDone(outcome);
  });
  return true;
}

TNetworkCheckOutcome TTCPChk::RunGuarded(const std::string& portText) {
  TNetworkCheckOutcome outcome;
  const int port = CheckPortNumber(portText);
  const std::string wirePortText = Utf8ToCp949Lossy(portText);

  UpdateResults([](TNetworkCheckResults& r) { r.PortTestResult = 0; });
  Log_.Append(diag_text::kPortChk + portText);

  // Is the port already taken here? Another program listening on it accepts this connection.
  {
    auto deadline = TCheckClock::now() + Limits_.PortTest;
    TConnectResult probe = ConnectWithin(kLocalHost, port, deadline, Stop_);
    const int32_t portResult = probe.Status == TConnectStatus::Connected ? 1 : -1;
    UpdateResults([portResult](TNetworkCheckResults& r) { r.PortTestResult = portResult; });
  }

  TRun run(*this, outcome);
  if (PortTestResult() > 0) {
    Log_.Append(portText + diag_text::kOpen);
  } else {
    Log_.Append(portText + diag_text::kOpenError);
    if (!run.Listen(port)) return outcome;  // the caller shows outcome.Error
    Log_.Append(diag_text::kSocketOpen);
  }

  Log_.Append(diag_text::kConnecting);
  run.ConnectTestServer();

  if (run.Connected()) {
    const auto start = TCheckClock::now();
    int32_t rounds = 1;
    std::string lastReply;  // of this check only: a reply of an earlier check says nothing now
    while (run.Connected() && TCheckClock::now() - start < Limits_.SpeedTest && !Stop_) {
      auto reply = run.Exchange(diag_text::kSpeedRequest + std::to_string(rounds));
      if (!reply) break;  // an exchange without a reply is not counted
      lastReply = std::move(*reply);
      ++rounds;
    }
    const std::string figure = SpeedFigure(lastReply);
    Log_.Append(diag_text::kSpeedLinePrefix + std::to_string(rounds) + "/" +
                Cp949ToUtf8Lossy(figure));
    const int32_t target = SpeedTargetFromFigure(figure);
    UpdateResults([rounds, target](TNetworkCheckResults& r) {
      r.SpeedRounds = rounds;
      r.SpeedTarget = target;
    });
  }

  UpdateResults([](TNetworkCheckResults& r) { r.PublicReachable = false; });
  if (run.Connected()) {
    Log_.Append(diag_text::kIpTestStart);
    auto reply = run.Exchange(diag_text::kIpRequest + wirePortText);
    Log_.Append(Cp949ToUtf8Lossy(reply.value_or(std::string())));
    const bool reachable = reply && *reply == diag_text::kIpReplyOk;
    UpdateResults([reachable](TNetworkCheckResults& r) { r.PublicReachable = reachable; });
  }

  run.CloseAll();
  outcome.Finished = true;
  return outcome;
}

}  // namespace talvesso
