#include "diagnostics/check_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace talvesso {

namespace {

constexpr std::chrono::milliseconds kStopSlice{50};

int PollSliceMs(TCheckClock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TCheckClock::now());
  return static_cast<int>(std::clamp<int64_t>(left.count(), 0, kStopSlice.count()));
}

bool SetNonBlocking(int fd, bool on) {
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return fcntl(fd, F_SETFL, flags) == 0;
}

struct TAddrInfoDeleter {
  void operator()(addrinfo* info) const { freeaddrinfo(info); }
};
using TAddrInfoPtr = std::unique_ptr<addrinfo, TAddrInfoDeleter>;

// A name lookup has no time limit of its own, so it runs on a helper thread that may outlive
// the wait; the state they share is reference counted.
struct TLookup {
  std::mutex Mutex;
  std::condition_variable Done;
  bool Finished = false;
  int Status = 0;
  TAddrInfoPtr Result;
};

TAddrInfoPtr LookUp(const std::string& host, int port, TCheckClock::time_point deadline,
                    const std::atomic<bool>& stop, std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  const std::string service = std::to_string(port);
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) == 0) return TAddrInfoPtr(found);

  auto lookup = std::make_shared<TLookup>();
  hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
  std::thread([lookup, host, service, hints] {
    addrinfo* result = nullptr;
    int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
    std::lock_guard lock(lookup->Mutex);
    lookup->Status = status;
    lookup->Result.reset(result);
    lookup->Finished = true;
    lookup->Done.notify_all();
  }).detach();

  std::unique_lock lock(lookup->Mutex);
  while (!lookup->Finished && !stop && TCheckClock::now() < deadline)
    lookup->Done.wait_for(lock, kStopSlice);
  if (!lookup->Finished) return nullptr;
  if (lookup->Status != 0) {
    *error = std::string("Host lookup failed for ") + host + ": " + gai_strerror(lookup->Status);
    return nullptr;
  }
  return std::move(lookup->Result);
}

// One non-blocking connect attempt; returns 0 when connected, else the error number.
int ConnectOne(const addrinfo& address, TCheckClock::time_point deadline,
               const std::atomic<bool>& stop, TSocketFd* out) {
  TSocketFd socketFd(
      socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol));
  if (!socketFd.Valid()) return errno;
  if (!SetNonBlocking(socketFd.Get(), true)) return errno;
  if (connect(socketFd.Get(), address.ai_addr, address.ai_addrlen) != 0) {
    if (errno != EINPROGRESS) return errno;
    for (;;) {
      if (stop) return ECANCELED;
      if (TCheckClock::now() >= deadline) return ETIMEDOUT;
      pollfd pfd{socketFd.Get(), POLLOUT, 0};
      int ready = poll(&pfd, 1, PollSliceMs(deadline));
      if (ready < 0 && errno != EINTR) return errno;
      if (ready > 0) break;
    }
    int socketError = 0;
    socklen_t length = sizeof socketError;
    if (getsockopt(socketFd.Get(), SOL_SOCKET, SO_ERROR, &socketError, &length) != 0) return errno;
    if (socketError != 0) return socketError;
  }
  if (!SetNonBlocking(socketFd.Get(), false)) return errno;
  int noDelay = 1;  // request blocks go out at once
  setsockopt(socketFd.Get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
  *out = std::move(socketFd);
  return 0;
}

}  // namespace

TSocketFd& TSocketFd::operator=(TSocketFd&& other) noexcept {
  if (this != &other) {
    Close();
    Fd_ = other.Fd_;
    other.Fd_ = -1;
  }
  return *this;
}

void TSocketFd::Close() {
  if (Fd_ >= 0) {
    ::close(Fd_);
    Fd_ = -1;
  }
}

std::string SocketErrorText(int errorNumber, const char* api) {
  return "Socket error " + std::to_string(errorNumber) + ": " + std::strerror(errorNumber) +
         ", on API '" + api + "'";
}

TConnectResult ConnectWithin(const std::string& host, int port, TCheckClock::time_point deadline,
                             const std::atomic<bool>& stop) {
  TConnectResult result;
  std::string lookupError;
  TAddrInfoPtr addresses = LookUp(host, port, deadline, stop, &lookupError);
  if (!addresses) {
    if (stop) {
      result.Status = TConnectStatus::Stopped;
    } else if (lookupError.empty()) {
      result.Status = TConnectStatus::TimedOut;
    } else {
      result.Status = TConnectStatus::Failed;
      result.Error = lookupError;
    }
    return result;
  }
  int lastError = ECONNREFUSED;
  for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
    lastError = ConnectOne(*address, deadline, stop, &result.Socket);
    if (lastError == 0) {
      result.Status = TConnectStatus::Connected;
      return result;
    }
    if (lastError == ECANCELED || lastError == ETIMEDOUT) break;
  }
  switch (lastError) {
    case ECANCELED:
      result.Status = TConnectStatus::Stopped;
      break;
    case ETIMEDOUT:
      result.Status = TConnectStatus::TimedOut;
      break;
    case ECONNREFUSED:
      result.Status = TConnectStatus::Refused;
      break;
    default:
      result.Status = TConnectStatus::Failed;
      result.Error = SocketErrorText(lastError, "connect");
  }
  return result;
}

TSocketFd OpenListener(int port, std::string* error) {
  TSocketFd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!listener.Valid()) {
    *error = SocketErrorText(errno, "socket");
    return {};
  }
  // Lets a second check bind again while connections of the first sit in TIME_WAIT; on Linux
  // it never lets two sockets listen on one port.
  int reuse = 1;
  setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    *error = SocketErrorText(errno, "bind");
    return {};
  }
  if (listen(listener.Get(), SOMAXCONN) != 0) {
    *error = SocketErrorText(errno, "listen");
    return {};
  }
  return listener;
}

bool SendAll(int fd, const std::string& data, TCheckClock::time_point deadline) {
  size_t sent = 0;
  while (sent < data.size()) {
    if (TCheckClock::now() >= deadline) return false;
    pollfd pfd{fd, POLLOUT, 0};
    int ready = poll(&pfd, 1, PollSliceMs(deadline));
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace talvesso
