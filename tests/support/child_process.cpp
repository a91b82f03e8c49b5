#include "support/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace talvesso::test {

std::string BinPath(const std::string& name) { return std::string(TALVESSO_BIN_DIR) + "/" + name; }

TChildProcess::~TChildProcess() { Stop(); }

bool TChildProcess::Start(const std::string& program, const std::vector<std::string>& args) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  // Closed by a successful exec; a failed one writes its errno here.
  int execFds[2];
  if (pipe2(execFds, O_CLOEXEC) != 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return false;
  }
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls until exec. The child goes when the test process goes, even
    // when a test crashes: a stand-in left running would keep the test's output open and make
    // the test runner wait for it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(pipeFds[1], STDOUT_FILENO);
    execv(program.c_str(), argv.data());
    int error = errno;
    (void)!write(execFds[1], &error, sizeof error);
    _exit(127);
  }
  close(pipeFds[1]);
  close(execFds[1]);
  int execError = 0;
  bool execFailed = pid > 0 && read(execFds[0], &execError, sizeof execError) > 0;
  close(execFds[0]);
  if (pid < 0 || execFailed) {
    if (execFailed) waitpid(pid, nullptr, 0);
    close(pipeFds[0]);
    return false;
  }
  Pid_ = pid;
  Stdout_ = pipeFds[0];
  return true;
}

std::string TChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto eol = Pending_.find('\n');
    if (eol != std::string::npos) {
      std::string line = Pending_.substr(0, eol);
      Pending_.erase(0, eol + 1);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (Stdout_ < 0 || left.count() <= 0) return {};
    pollfd pfd{Stdout_, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return {};
    char buf[4096];
    ssize_t n = read(Stdout_, buf, sizeof buf);
    if (n <= 0) return {};
    Pending_.append(buf, static_cast<size_t>(n));
  }
}

void TChildProcess::Stop() {
  if (Pid_ > 0) {
    kill(Pid_, SIGTERM);
    for (int i = 0; i < 200; ++i) {
      if (waitpid(Pid_, nullptr, WNOHANG) == Pid_) {
        Pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (Pid_ > 0) {
      kill(Pid_, SIGKILL);
      waitpid(Pid_, nullptr, 0);
      Pid_ = -1;
    }
  }
  if (Stdout_ >= 0) {
    close(Stdout_);
    Stdout_ = -1;
  }
}

}  // namespace talvesso::test
