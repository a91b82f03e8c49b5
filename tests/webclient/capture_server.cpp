#include "webclient/capture_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace talvesso::test {

namespace {

int ListenLoopback(int* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 64) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(fd);
    return -1;
  }
  *port = ntohs(addr.sin_port);
  return fd;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::vector<std::string> TCapturedRequest::HeaderNames() const {
  std::vector<std::string> names;
  for (const auto& [name, value] : Headers) names.push_back(name);
  return names;
}

std::string TCapturedRequest::Header(const std::string& name) const {
  for (const auto& [n, value] : Headers)
    if (n == name) return value;
  return {};
}

bool TCapturedRequest::HasHeader(const std::string& name) const {
  for (const auto& [n, value] : Headers)
    if (strcasecmp(n.c_str(), name.c_str()) == 0) return true;
  return false;
}

TReply TReply::Http(int status, const std::string& body, const std::string& extraHeaders) {
  TReply reply;
  reply.Raw = "HTTP/1.0 " + std::to_string(status) +
              " Status\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders +
              "\r\n" + body;
  return reply;
}

TCaptureServer::TCaptureServer(THandler handler) : Handler_(std::move(handler)) {
  if (!Handler_) Handler_ = [](const TCapturedRequest&) { return TReply::Http(200, "##%%OK%%##"); };
  ListenFd_ = ListenLoopback(&Port_);
  if (ListenFd_ >= 0) Acceptor_ = std::thread([this] { AcceptLoop(); });
}

TCaptureServer::~TCaptureServer() {
  {
    std::lock_guard lock(Mutex_);
    Stopping_ = true;
    for (int fd : OpenFds_) shutdown(fd, SHUT_RDWR);
  }
  Changed_.notify_all();
  if (ListenFd_ >= 0) shutdown(ListenFd_, SHUT_RDWR);
  if (Acceptor_.joinable()) Acceptor_.join();
  for (auto& t : Threads_) t.join();
  if (ListenFd_ >= 0) close(ListenFd_);
}

std::string TCaptureServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(Port_) + "/";
}

std::vector<TCapturedRequest> TCaptureServer::Requests() const {
  std::lock_guard lock(Mutex_);
  return Requests_;
}

int TCaptureServer::ConnectionCount() const {
  std::lock_guard lock(Mutex_);
  return Connections_;
}

bool TCaptureServer::WaitForRequests(size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(Mutex_);
  return Changed_.wait_for(lock, timeout, [&] { return Requests_.size() >= count; });
}

void TCaptureServer::AcceptLoop() {
  for (;;) {
    pollfd pfd{ListenFd_, POLLIN, 0};
    if (poll(&pfd, 1, 100) < 0) return;
    {
      std::lock_guard lock(Mutex_);
      if (Stopping_) return;
    }
    if (!(pfd.revents & POLLIN)) continue;
    int fd = accept4(ListenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard lock(Mutex_);
    if (Stopping_) {
      close(fd);
      return;
    }
    OpenFds_.push_back(fd);
    int connection = Connections_++;
    Threads_.emplace_back([this, fd, connection] { Serve(fd, connection); });
  }
}

void TCaptureServer::Serve(int fd, int connection) {
  std::string pending;
  auto readMore = [&]() {
    char buf[65536];
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    pending.append(buf, static_cast<size_t>(n));
    return true;
  };
  bool open = true;
  while (open) {
    size_t headEnd;
    while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos)
      if (!readMore()) {
        open = false;
        break;
      }
    if (!open) break;
    TCapturedRequest request;
    request.Connection = connection;
    std::string head = pending.substr(0, headEnd);
    pending.erase(0, headEnd + 4);
    size_t lineEnd = head.find("\r\n");
    request.RequestLine = head.substr(0, lineEnd);
    size_t contentLength = 0;
    while (lineEnd != std::string::npos) {
      size_t start = lineEnd + 2;
      lineEnd = head.find("\r\n", start);
      std::string line =
          head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
      size_t colon = line.find(':');
      std::string name = line.substr(0, colon);
      std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
      if (!value.empty() && value[0] == ' ') value.erase(0, 1);
      if (strcasecmp(name.c_str(), "Content-Length") == 0)
        contentLength = std::strtoull(value.c_str(), nullptr, 10);
      request.Headers.emplace_back(name, value);
    }
    while (pending.size() < contentLength)
      if (!readMore()) break;
    request.Body = pending.substr(0, contentLength);
    pending.erase(0, std::min(contentLength, pending.size()));

    TReply reply = Handler_(request);
    {
      std::lock_guard lock(Mutex_);
      Requests_.push_back(request);
    }
    Changed_.notify_all();
    if (reply.Delay.count() > 0 || reply.Hang) {
      std::unique_lock lock(Mutex_);
      if (reply.Hang)
        Changed_.wait(lock, [&] { return Stopping_; });
      else
        Changed_.wait_for(lock, reply.Delay, [&] { return Stopping_; });
      if (Stopping_) break;
    }
    WriteAll(fd, reply.Raw);
    open = reply.KeepOpen;
  }
  std::lock_guard lock(Mutex_);
  OpenFds_.erase(std::remove(OpenFds_.begin(), OpenFds_.end(), fd), OpenFds_.end());
  close(fd);
}

int UnusedPort() {
  int port = 0;
  int fd = ListenLoopback(&port);
  if (fd >= 0) close(fd);
  return port;
}

}  // namespace talvesso::test
