#include "diagnostics/installer_launch.h"

#include <filesystem>

#ifdef _WIN32
#include <shellapi.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace talvesso {

#ifdef _WIN32

bool StartInstaller(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), error)) return false;
  std::wstring wide = std::filesystem::u8path(path).wstring();
  ShellExecuteW(nullptr, L"open", wide.c_str(), L"", nullptr, SW_SHOWNORMAL);
  return true;
}

#else

bool StartInstaller(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return false;
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, error);

  // Everything the child needs is prepared before fork: only async-signal-safe calls follow.
  const std::string folder = fs::path(path).parent_path().string();
  std::string program = path;
  char* argv[] = {program.data(), nullptr};

  // Two forks: the installer becomes a child of init in a session of its own, so it outlives
  // this program and leaves no zombie behind.
  pid_t child = fork();
  if (child < 0) return true;  // attempted; the installer is not checked
  if (child == 0) {
    setsid();
    pid_t grandchild = fork();
    if (grandchild == 0) {
      int nullFd = open("/dev/null", O_RDWR);
      if (nullFd >= 0) {
        dup2(nullFd, STDIN_FILENO);
        if (nullFd > STDERR_FILENO) close(nullFd);
      }
      close_range(3, ~0U, 0);  // no socket or file of this program leaks into the installer
      if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
      execv(program.c_str(), argv);
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

#endif

}  // namespace talvesso
