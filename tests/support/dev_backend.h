// The stand-in web backend (build/bin/devbackend) as a test fixture.
#pragma once

#include <string>
#include <vector>

#include "support/child_process.h"

namespace talvesso::test {

class TDevBackend {
 public:
  // Starts `devbackend --port 0 <args>` and waits for its "listening on" line.
  // false when it did not come up.
  bool Start(const std::vector<std::string>& args = {});
  void Stop() { Process_.Stop(); }
  int Port() const { return Port_; }
  // "http://127.0.0.1:<port>/"
  std::string BaseUrl() const;
  // Plain GET of a path on the backend (e.g. "_log"), body or empty (also for an error status).
  std::string Get(const std::string& path) const;

 private:
  TChildProcess Process_;
  int Port_ = 0;
};

}  // namespace talvesso::test
