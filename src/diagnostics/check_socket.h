// The few socket operations of the network check, each with a real time limit.
#pragma once

#include <atomic>
#include <chrono>
#include <string>

namespace talvesso {

// Owns one socket descriptor.
class TSocketFd {
 public:
  TSocketFd() = default;
  explicit TSocketFd(int fd) : Fd_(fd) {}
  ~TSocketFd() { Close(); }
  TSocketFd(TSocketFd&& other) noexcept : Fd_(other.Fd_) { other.Fd_ = -1; }
  TSocketFd& operator=(TSocketFd&& other) noexcept;
  TSocketFd(const TSocketFd&) = delete;
  TSocketFd& operator=(const TSocketFd&) = delete;

  int Get() const { return Fd_; }
  bool Valid() const { return Fd_ >= 0; }
  void Close();

 private:
  int Fd_ = -1;
};

using TCheckClock = std::chrono::steady_clock;

enum class TConnectStatus { Connected, Refused, TimedOut, Failed, Stopped };

struct TConnectResult {
  TSocketFd Socket;  // a connected, blocking socket when Status is Connected
  TConnectStatus Status = TConnectStatus::Failed;
  std::string Error;  // readable text for Failed
};

// Looks `host` up and connects to `port`, trying each address in turn, all before `deadline`;
// `stop` set from another thread ends the attempt within about 50 ms.
TConnectResult ConnectWithin(const std::string& host, int port, TCheckClock::time_point deadline,
                             const std::atomic<bool>& stop);

// A non-blocking socket listening on `port` on every local IPv4 address, or an invalid one
// with `error` naming the step that failed (e.g. "... on API 'bind'").
TSocketFd OpenListener(int port, std::string* error);

// "Socket error 98: Address already in use, on API 'bind'"
std::string SocketErrorText(int errorNumber, const char* api);

// Writes all of `data` (never raising SIGPIPE); false when the connection failed or the
// send did not finish before `deadline`.
bool SendAll(int fd, const std::string& data, TCheckClock::time_point deadline);

}  // namespace talvesso
