// The stand-in test server (build/bin/nettestd) and a scripted one for the byte-level cases.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"

namespace talvesso::test {

// `nettestd --port 0 <args>` as a child process.
class TNetTestServer {
 public:
  // false when it did not come up.
  bool Start(const std::vector<std::string>& args = {});
  void Stop() { Process_.Stop(); }
  int Port() const { return Port_; }
  // Next line of its output ("request: ...", "closed after N speed requests").
  std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    return Process_.ReadLine(timeout);
  }

 private:
  TChildProcess Process_;
  int Port_ = 0;
};

// A test server in this process that answers each request block with bytes chosen by the
// test, written in pieces with a pause between them. One connection at a time.
class TScriptedTestServer {
 public:
  // Given the request text, the pieces to write (their concatenation need not be one block).
  using TScript = std::function<std::vector<std::string>(const std::string& request)>;
  explicit TScriptedTestServer(TScript script,
                               std::chrono::milliseconds pause = std::chrono::milliseconds(5));
  ~TScriptedTestServer();
  int Port() const { return Port_; }

 private:
  void Run();
  TScript Script_;
  std::chrono::milliseconds Pause_;
  int Listener_ = -1;
  int Port_ = 0;
  std::atomic<bool> Stop_{false};
  std::thread Thread_;
};

// A port that was free a moment ago on every local address.
int FreePort();

}  // namespace talvesso::test
