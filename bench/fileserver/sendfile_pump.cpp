// The practical limit of this machine for the benchmark: answers any HTTP GET with one file,
// pushed by a bare sendfile loop (one thread per connection, no per-block work at all).
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

void Serve(int client, const char* path) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) {
      ::close(client);
      return;
    }
    request.append(buffer, static_cast<size_t>(n));
  }
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    const char* missing = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
    ::send(client, missing, std::strlen(missing), MSG_NOSIGNAL);
  } else {
    std::string head =
        "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(st.st_size) + "\r\n\r\n";
    ::send(client, head.data(), head.size(), MSG_NOSIGNAL);
    off_t offset = 0;
    while (offset < st.st_size)
      if (::sendfile(client, fd, &offset, static_cast<size_t>(st.st_size - offset)) <= 0) break;
  }
  if (fd >= 0) ::close(fd);
  ::close(client);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: sendfile_pump FILE [PORT]\nprints \"listening on PORT\"\n", stderr);
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  const char* path = argv[1];
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  int on = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = htons(static_cast<uint16_t>(argc > 2 ? std::atoi(argv[2]) : 0));
  if (::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
      ::listen(listener, 64) != 0) {
    std::perror("sendfile_pump");
    return 1;
  }
  socklen_t len = sizeof at;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &len);
  std::printf("listening on %d\n", ntohs(at.sin_port));
  std::fflush(stdout);
  for (;;) {
    int client = ::accept(listener, nullptr, nullptr);
    if (client >= 0) std::thread(Serve, client, path).detach();
  }
}
