// The network check run before sharing starts: is the sharing port taken on this computer,
// can the test server reach it from outside, and is the line fast enough.
//
// It talks to the test server in 4096-byte blocks: about two seconds of speed exchanges, then
// a connect-back test while the check itself listens on the port under test (when it is free).
// Every wait has a time limit, so a whole check ends within about 20 seconds.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "diagnostics/check_host.h"
#include "diagnostics/check_limits.h"
#include "diagnostics/check_log.h"

namespace talvesso {

// The four results the sharing command reads; they stay until the next check changes them.
struct TNetworkCheckResults {
  int32_t PortTestResult = 0;   // 0 pending, 1 the port is in use here, -1 it is free
  int32_t SpeedRounds = 1;      // speed exchanges answered, plus one
  int32_t SpeedTarget = 0;      // the figure of the test server's last speed reply
  bool PublicReachable = true;  // the test server reached the port from outside
};

struct TNetworkCheckOutcome {
  // false: the check stopped early: the port could not be opened for listening (Error says
  // why, for the caller to show), or another check was already running.
  bool Finished = false;
  std::string Error;
  // Errors of the test connection other than "refused" and "timed out"; the check went on.
  std::vector<std::string> SocketErrors;
};

class TTCPChk {
 public:
  explicit TTCPChk(TCheckHost host, TCheckLimits limits = {});
  // Stops a running check and waits for it.
  ~TTCPChk();
  TTCPChk(const TTCPChk&) = delete;
  TTCPChk& operator=(const TTCPChk&) = delete;

  // Runs a whole check on the calling thread (a worker; it blocks) for the port text
  // (decimal; text that is not a port number tests port 4098, while the connect-back request
  // still carries the text as written).
  TNetworkCheckOutcome RunNetworkCheck(const std::string& portText);

  // Runs a check on a worker thread of its own and calls `onDone` there when it has ended
  // (results and log are complete by then). false when a check is already running.
  using TDoneHandler = std::function<void(const TNetworkCheckOutcome&)>;
  bool StartNetworkCheck(const std::string& portText, TDoneHandler onDone);
  // Waits for a check started with StartNetworkCheck.
  void Wait();
  // Makes a running check end soon (within about 50 ms per remaining step).
  void Cancel();
  bool Running() const { return Busy_; }

  TNetworkCheckResults Results() const;
  int32_t PortTestResult() const { return Results().PortTestResult; }
  int32_t SpeedRounds() const { return Results().SpeedRounds; }
  int32_t SpeedTarget() const { return Results().SpeedTarget; }
  bool PublicReachable() const { return Results().PublicReachable; }

  // The trace of the latest checks, at most 100 lines (UTF-8).
  std::vector<std::string> LogLines() const { return Log_.Lines(); }
  // Sees every trace line as it is written, on the checking thread.
  void SetLogObserver(std::function<void(const std::string& line)> observer) {
    Log_.SetObserver(std::move(observer));
  }

  const TCheckHost& Host() const { return Host_; }

 private:
  class TRun;
  TNetworkCheckOutcome RunGuarded(const std::string& portText);
  void UpdateResults(const std::function<void(TNetworkCheckResults&)>& change);

  const TCheckHost Host_;
  const TCheckLimits Limits_;
  TCheckLog Log_;
  mutable std::mutex ResultsMutex_;
  TNetworkCheckResults Results_;
  std::atomic<bool> Busy_{false};
  std::atomic<bool> Stop_{false};
  std::mutex WorkerMutex_;
  std::thread Worker_;
};

}  // namespace talvesso
