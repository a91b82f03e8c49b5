// A raw loopback HTTP server for the wire tests: it records every request byte for byte and
// answers with whatever the test scripts, including nothing at all.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace talvesso::test {

struct TCapturedRequest {
  std::string RequestLine;                                   // without CR LF
  std::vector<std::pair<std::string, std::string>> Headers;  // in the order received
  std::string Body;
  int Connection = 0;  // which accepted connection carried it, from 0

  std::vector<std::string> HeaderNames() const;
  // Value of the first header of that name (exact case), empty when missing.
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

struct TReply {
  std::string Raw;        // the bytes written back
  bool KeepOpen = false;  // wait for another request on the same connection
  bool Hang = false;      // write nothing and keep the connection open until the server stops
  std::chrono::milliseconds Delay{0};

  // "HTTP/1.0 <status>" with Content-Length, `extraHeaders` (each ending in CR LF) and `body`.
  static TReply Http(int status, const std::string& body, const std::string& extraHeaders = "");
};

class TCaptureServer {
 public:
  using THandler = std::function<TReply(const TCapturedRequest&)>;
  // By default every request is answered 200 with "##%%OK%%##".
  explicit TCaptureServer(THandler handler = {});
  ~TCaptureServer();
  TCaptureServer(const TCaptureServer&) = delete;
  TCaptureServer& operator=(const TCaptureServer&) = delete;

  int Port() const { return Port_; }
  std::string BaseUrl() const;  // "http://127.0.0.1:<port>/"
  std::vector<TCapturedRequest> Requests() const;
  int ConnectionCount() const;
  bool WaitForRequests(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));

 private:
  void AcceptLoop();
  void Serve(int fd, int connection);

  THandler Handler_;
  int ListenFd_ = -1;
  int Port_ = 0;
  mutable std::mutex Mutex_;
  std::condition_variable Changed_;
  bool Stopping_ = false;
  std::vector<TCapturedRequest> Requests_;
  std::vector<int> OpenFds_;
  int Connections_ = 0;
  std::vector<std::thread> Threads_;
  std::thread Acceptor_;
};

// A loopback port with nothing listening on it (bound, then released).
int UnusedPort();

}  // namespace talvesso::test
