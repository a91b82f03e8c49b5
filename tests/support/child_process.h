#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace talvesso::test {

// A stand-in started as a child process; its stdout is readable line by line. The child is
// killed (SIGTERM, then SIGKILL) when the object goes.
class TChildProcess {
 public:
  TChildProcess() = default;
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  // `program` is a path; argv[0] is added. false when it could not be started.
  bool Start(const std::string& program, const std::vector<std::string>& args);
  // Next line of stdout without its newline; empty on timeout or end of output.
  std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  void Stop();
  bool Running() const { return Pid_ > 0; }
  pid_t Pid() const { return Pid_; }

 private:
  pid_t Pid_ = -1;
  int Stdout_ = -1;
  std::string Pending_;
};

// Path of a program built into build/bin.
std::string BinPath(const std::string& name);

}  // namespace talvesso::test
