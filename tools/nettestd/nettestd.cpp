// nettestd: a stand-in for the network test server, on loopback only.
//
// Speaks the 4096-byte block protocol: "?Speed Test n" is answered "!Speed Test" followed by
// the speed figure (characters 12 to 21 of the reply), "?IP Test <port>" by connecting back
// to the test connection's source address on that port and answering "!IP Test Ok", or
// "!IP Test Fail" when that did not work. Modes for tests: silent (never answers), slow (waits
// before every answer), close-mid-test (drops the connection at the third speed request).
//
// Usage: nettestd [--port N] [--speed FIGURE] [--mode normal|silent|slow|close-mid-test]
//                 [--slow-ms N] [--connect-ms N]
// The first line of output is "nettestd listening on 127.0.0.1:<port>". Afterwards one line
// per connect-back request ("request: ?IP Test 4000") and one per ended connection
// ("closed after N speed requests"). SIGTERM ends it.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr size_t kBlockSize = 4096;

enum class TMode { Normal, Silent, Slow, CloseMidTest };

struct TOptions {
  int Port = 3673;
  std::string Speed = " 30";
  TMode Mode = TMode::Normal;
  int SlowMs = 500;
  int ConnectMs = 2000;
};

std::mutex OutputMutex;

void PrintLine(const std::string& line) {
  std::lock_guard lock(OutputMutex);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

bool ParseInt(std::string_view text, int* value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseOptions(int argc, char** argv, TOptions* options) {
  for (int i = 1; i < argc; ++i) {
    std::string_view name = argv[i];
    if (i + 1 >= argc) return false;
    std::string_view value = argv[++i];
    if (name == "--port") {
      if (!ParseInt(value, &options->Port) || options->Port < 0 || options->Port > 65535)
        return false;
    } else if (name == "--speed") {
      options->Speed = std::string(value);
    } else if (name == "--slow-ms") {
      if (!ParseInt(value, &options->SlowMs) || options->SlowMs < 0) return false;
    } else if (name == "--connect-ms") {
      if (!ParseInt(value, &options->ConnectMs) || options->ConnectMs < 0) return false;
    } else if (name == "--mode") {
      if (value == "normal")
        options->Mode = TMode::Normal;
      else if (value == "silent")
        options->Mode = TMode::Silent;
      else if (value == "slow")
        options->Mode = TMode::Slow;
      else if (value == "close-mid-test")
        options->Mode = TMode::CloseMidTest;
      else
        return false;
    } else {
      return false;
    }
  }
  return true;
}

bool ReadBlock(int fd, std::string* block) {
  block->assign(kBlockSize, '\0');
  size_t got = 0;
  while (got < kBlockSize) {
    ssize_t n = recv(fd, block->data() + got, kBlockSize - got, 0);
    if (n == 0) return false;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    got += static_cast<size_t>(n);
  }
  return true;
}

bool WriteBlock(int fd, std::string_view text) {
  std::string block(kBlockSize, '\0');
  std::memcpy(block.data(), text.data(), std::min(text.size(), kBlockSize - 1));
  size_t sent = 0;
  while (sent < block.size()) {
    ssize_t n = send(fd, block.data() + sent, block.size() - sent, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Connects to `port` on the address `testConnection` comes from, waiting at most `limitMs`.
bool ConnectBack(int testConnection, std::string_view portText, int limitMs) {
  int port = 0;
  if (!ParseInt(portText, &port) || port < 1 || port > 65535) return false;
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  if (getpeername(testConnection, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return false;
  if (peer.ss_family == AF_INET)
    reinterpret_cast<sockaddr_in*>(&peer)->sin_port = htons(static_cast<uint16_t>(port));
  else if (peer.ss_family == AF_INET6)
    reinterpret_cast<sockaddr_in6*>(&peer)->sin6_port = htons(static_cast<uint16_t>(port));
  else
    return false;
  int fd = socket(peer.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool connected = connect(fd, reinterpret_cast<sockaddr*>(&peer), length) == 0;
  if (!connected && errno == EINPROGRESS) {
    pollfd pfd{fd, POLLOUT, 0};
    if (poll(&pfd, 1, limitMs) == 1) {
      int error = 0;
      socklen_t errorLength = sizeof error;
      connected = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &errorLength) == 0 && error == 0;
    }
  }
  close(fd);
  return connected;
}

void Serve(int fd, const TOptions& options) {
  int noDelay = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
  int speedRequests = 0;
  std::string block;
  while (ReadBlock(fd, &block)) {
    std::string text = block.substr(0, block.find('\0'));
    std::string reply;
    if (text.rfind("?Speed Test ", 0) == 0) {
      ++speedRequests;
      if (options.Mode == TMode::CloseMidTest && speedRequests == 3) break;
      reply = "!Speed Test" + options.Speed;
    } else if (text.rfind("?IP Test ", 0) == 0) {
      PrintLine("request: " + text);
      if (options.Mode == TMode::Silent) continue;
      reply = ConnectBack(fd, std::string_view(text).substr(9), options.ConnectMs)
                  ? "!IP Test Ok"
                  : "!IP Test Fail";
    } else {
      PrintLine("request: " + text);
      reply = "!Unknown Request";
    }
    if (options.Mode == TMode::Silent) continue;
    if (options.Mode == TMode::Slow)
      std::this_thread::sleep_for(std::chrono::milliseconds(options.SlowMs));
    if (!WriteBlock(fd, reply)) break;
  }
  close(fd);
  PrintLine("closed after " + std::to_string(speedRequests) + " speed requests");
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: nettestd [--port N] [--speed FIGURE] "
                 "[--mode normal|silent|slow|close-mid-test] [--slow-ms N] [--connect-ms N]\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);

  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int reuse = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(options.Port));
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, SOMAXCONN) != 0) {
    std::fprintf(stderr, "nettestd: cannot listen on 127.0.0.1:%d: %s\n", options.Port,
                 std::strerror(errno));
    return 1;
  }
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  PrintLine("nettestd listening on 127.0.0.1:" + std::to_string(ntohs(address.sin_port)));

  for (;;) {
    int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) {
      if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE) {
        if (errno == EMFILE || errno == ENFILE)
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        continue;
      }
      return 1;
    }
    std::thread(Serve, connection, options).detach();
  }
}
