#include "nettestd_fixture.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "diagnostics/test_block.h"

namespace talvesso::test {

bool TNetTestServer::Start(const std::vector<std::string>& args) {
  std::vector<std::string> all{"--port", "0"};
  all.insert(all.end(), args.begin(), args.end());
  if (!Process_.Start(BinPath("nettestd"), all)) return false;
  const std::string prefix = "nettestd listening on 127.0.0.1:";
  std::string line = Process_.ReadLine();
  if (line.rfind(prefix, 0) != 0) return false;
  Port_ = std::stoi(line.substr(prefix.size()));
  return Port_ > 0;
}

TScriptedTestServer::TScriptedTestServer(TScript script, std::chrono::milliseconds pause)
    : Script_(std::move(script)), Pause_(pause) {
  Listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(Listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(Listener_, 8);
  getsockname(Listener_, reinterpret_cast<sockaddr*>(&address), &length);
  Port_ = ntohs(address.sin_port);
  Thread_ = std::thread([this] { Run(); });
}

TScriptedTestServer::~TScriptedTestServer() {
  Stop_ = true;
  Thread_.join();
  close(Listener_);
}

void TScriptedTestServer::Run() {
  while (!Stop_) {
    pollfd pfd{Listener_, POLLIN, 0};
    if (poll(&pfd, 1, 20) <= 0) continue;
    int fd = accept4(Listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::string block;
    for (;;) {
      // Read one request block, giving up when the check has gone or the test ends.
      block.clear();
      char buffer[kTestBlockSize];
      while (block.size() < kTestBlockSize && !Stop_) {
        pollfd in{fd, POLLIN, 0};
        if (poll(&in, 1, 20) <= 0) continue;
        ssize_t n = recv(fd, buffer, kTestBlockSize - block.size(), 0);
        if (n <= 0) break;
        block.append(buffer, static_cast<size_t>(n));
      }
      if (block.size() < kTestBlockSize) break;
      auto pieces = Script_(TestBlockText(block));
      for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) std::this_thread::sleep_for(Pause_);
        send(fd, pieces[i].data(), pieces[i].size(), MSG_NOSIGNAL);
      }
    }
    close(fd);
  }
}

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace talvesso::test
