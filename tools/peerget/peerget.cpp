// peerget: a command-line downloading peer. Speaks the download protocol of the file server
// (or plain HTTP/1.0 GET, so benchmarks read every server through the same loop), reads
// exactly the bytes announced, and prints each outcome and the throughput.
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kUsage =
    R"(peerget - a downloading peer for the file server, and a plain HTTP/1.0 reader

Usage:
  peerget --port PORT --path PATH [--path PATH ...] [options]
  peerget --port PORT --http URLPATH [options]

Download protocol (default mode): for each --path, sends the nine request lines
  REQUEST_DOWNLOAD_FILE, ID, transfer identifier, three empty lines, file number, path, offset
and reads the reply: for FILE_SEND the four header lines and then exactly size - offset bytes,
for FILE_SEND_COMPLETE the size line, otherwise nothing more.
  --path PATH       full local path of the file on the sharing machine, sent byte for byte;
                    repeat it for several requests on one connection
  --offset N        start offset of every request (default 0)
  --id ID           member ID, request line 1 (default "peer")
  --uid UID         transfer identifier, request line 2 (default "uid<conn>-<n>")
  --pno N           file number, request line 6 (default 1)
  --pipeline        send every request at once instead of one after the other
  --stop-after N    send REQUEST_STOP_DOWNLOAD_FILE after N file bytes of the first transfer

HTTP mode:
  --http URLPATH    send "GET URLPATH HTTP/1.0" and read Content-Length bytes (or to the end)

Common options:
  --host HOST       server address (default 127.0.0.1)
  --port PORT       server port (required)
  --parallel N      N connections at once, each making the same requests (default 1)
  --out FILE        write the received file bytes to FILE (one connection only);
                    by default they are discarded
  --quiet           print only the summary line
  --help            this text

Output: one line per request, e.g.
  conn 0 request 1: FILE_SEND size=1000 offset=0 received=1000 complete
then a summary line:
  summary connections=1 requests=1 bytes=1000 seconds=0.001 mib_per_sec=0.95 failures=0
Exit status: 0 when every request got a reply and every announced byte arrived, 1 otherwise,
2 for wrong usage.
)";

struct TOptions {
  std::string Host = "127.0.0.1";
  std::string Port;
  std::vector<std::string> Paths;
  std::string HttpPath;
  bool Http = false;
  int64_t Offset = 0;
  std::string Id = "peer";
  std::string Uid;
  std::string Pno = "1";
  bool Pipeline = false;
  int64_t StopAfter = -1;
  int Parallel = 1;
  std::string Out;
  bool Quiet = false;
};

std::mutex PrintMutex;

void Print(const TOptions& options, const std::string& line) {
  if (options.Quiet) return;
  std::lock_guard lock(PrintMutex);
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// A connected socket with a read buffer shared by line and byte reads.
class TConnection {
 public:
  ~TConnection() {
    if (Fd_ >= 0) ::close(Fd_);
  }

  bool Connect(const std::string& host, const std::string& port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0) {
      error = gai_strerror(rc);
      return false;
    }
    for (addrinfo* a = found; a; a = a->ai_next) {
      Fd_ = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
      if (Fd_ < 0) continue;
      if (::connect(Fd_, a->ai_addr, a->ai_addrlen) == 0) break;
      error = std::strerror(errno);
      ::close(Fd_);
      Fd_ = -1;
    }
    ::freeaddrinfo(found);
    return Fd_ >= 0;
  }

  bool Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::send(Fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }

  // A line without its CR LF; false at the end of the connection.
  bool ReadLine(std::string& line) {
    line.clear();
    for (;;) {
      while (Begin_ < End_) {
        char c = Buffer_[Begin_++];
        if (c == '\n') {
          if (!line.empty() && line.back() == '\r') line.pop_back();
          return true;
        }
        line.push_back(c);
      }
      if (!Fill()) return false;
    }
  }

  // Reads up to `count` bytes (count < 0: to the end), handing each piece to `sink`.
  // Returns the number read; `stopAt` (if >= 0) calls `atStop` once after that many bytes.
  template <typename Sink, typename AtStop>
  int64_t ReadBytes(int64_t count, Sink&& sink, int64_t stopAt, AtStop&& atStop) {
    int64_t got = 0;
    bool stopped = false;
    while (count < 0 || got < count) {
      if (Begin_ == End_ && !Fill()) break;
      size_t take = End_ - Begin_;
      if (count >= 0) take = static_cast<size_t>(std::min<int64_t>(take, count - got));
      sink(Buffer_.get() + Begin_, take);
      Begin_ += take;
      got += static_cast<int64_t>(take);
      if (!stopped && stopAt >= 0 && got >= stopAt) {
        stopped = true;
        atStop();
      }
    }
    return got;
  }

 private:
  bool Fill() {
    for (;;) {
      ssize_t n = ::recv(Fd_, Buffer_.get(), kBufferBytes, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      Begin_ = 0;
      End_ = static_cast<size_t>(n);
      return true;
    }
  }

  static constexpr size_t kBufferBytes = 256 * 1024;
  int Fd_ = -1;
  std::unique_ptr<char[]> Buffer_ = std::make_unique<char[]>(kBufferBytes);
  size_t Begin_ = 0;
  size_t End_ = 0;
};

struct TTotals {
  std::atomic<int64_t> Bytes{0};
  std::atomic<int> Requests{0};
  std::atomic<int> Failures{0};
};

std::string RequestText(const TOptions& options, int conn, size_t index) {
  std::string uid = options.Uid.empty()
                        ? "uid" + std::to_string(conn) + "-" + std::to_string(index + 1)
                        : options.Uid;
  return "REQUEST_DOWNLOAD_FILE\r\n" + options.Id + "\r\n" + uid + "\r\n\r\n\r\n\r\n" +
         options.Pno + "\r\n" + options.Paths[index] + "\r\n" + std::to_string(options.Offset) +
         "\r\n";
}

void RunProtocol(const TOptions& options, int conn, TTotals& totals, FILE* out) {
  TConnection connection;
  std::string error;
  const std::string prefix = "conn " + std::to_string(conn);
  if (!connection.Connect(options.Host, options.Port, error)) {
    Print(options, prefix + ": cannot connect: " + error);
    totals.Failures += static_cast<int>(options.Paths.size());
    return;
  }
  auto sink = [&](const char* data, size_t size) {
    if (out) std::fwrite(data, 1, size, out);
    totals.Bytes.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed);
  };
  if (options.Pipeline) {
    std::string all;
    for (size_t i = 0; i < options.Paths.size(); ++i) all += RequestText(options, conn, i);
    connection.Send(all);
  }
  for (size_t i = 0; i < options.Paths.size(); ++i) {
    const std::string label = prefix + " request " + std::to_string(i + 1) + ": ";
    if (!options.Pipeline && !connection.Send(RequestText(options, conn, i))) {
      Print(options, label + "cannot send the request");
      ++totals.Failures;
      return;
    }
    ++totals.Requests;
    std::string reply;
    if (!connection.ReadLine(reply)) {
      Print(options, label + "connection closed without a reply");
      ++totals.Failures;
      return;
    }
    if (reply == "FILE_SEND_COMPLETE") {
      std::string size;
      connection.ReadLine(size);
      Print(options, label + reply + " size=" + size);
      continue;
    }
    if (reply != "FILE_SEND") {
      Print(options, label + reply);
      continue;
    }
    std::string sizeLine, uid, cost1, cost2;
    if (!connection.ReadLine(sizeLine) || !connection.ReadLine(uid) ||
        !connection.ReadLine(cost1) || !connection.ReadLine(cost2)) {
      Print(options, label + "FILE_SEND with a cut-off header");
      ++totals.Failures;
      return;
    }
    const int64_t size = std::strtoll(sizeLine.c_str(), nullptr, 10);
    const int64_t expected = std::max<int64_t>(0, size - options.Offset);
    const int64_t stopAt = i == 0 ? options.StopAfter : -1;
    const int64_t got = connection.ReadBytes(
        expected, sink, stopAt, [&] { connection.Send("REQUEST_STOP_DOWNLOAD_FILE\r\n"); });
    const bool complete = got == expected;
    if (!complete) ++totals.Failures;
    char text[256];
    std::snprintf(text, sizeof text,
                  "FILE_SEND size=%" PRId64 " offset=%" PRId64 " received=%" PRId64
                  " uid=%s cost=%s/%s %s",
                  size, options.Offset, got, uid.c_str(), cost1.c_str(), cost2.c_str(),
                  complete ? "complete" : "short");
    Print(options, label + text);
    if (!complete) return;  // the connection ended
  }
}

void RunHttp(const TOptions& options, int conn, TTotals& totals, FILE* out) {
  TConnection connection;
  std::string error;
  const std::string label = "conn " + std::to_string(conn) + " http: ";
  ++totals.Requests;
  if (!connection.Connect(options.Host, options.Port, error)) {
    Print(options, label + "cannot connect: " + error);
    ++totals.Failures;
    return;
  }
  connection.Send("GET " + options.HttpPath + " HTTP/1.0\r\nHost: " + options.Host + "\r\n\r\n");
  std::string status, line;
  if (!connection.ReadLine(status)) {
    Print(options, label + "no answer");
    ++totals.Failures;
    return;
  }
  int64_t length = -1;
  while (connection.ReadLine(line) && !line.empty()) {
    if (strncasecmp(line.c_str(), "Content-Length:", 15) == 0)
      length = std::strtoll(line.c_str() + 15, nullptr, 10);
  }
  auto sink = [&](const char* data, size_t size) {
    if (out) std::fwrite(data, 1, size, out);
    totals.Bytes.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed);
  };
  const int64_t got = connection.ReadBytes(length, sink, -1, [] {});
  const bool complete = length < 0 || got == length;
  if (!complete || status.find(" 200") == std::string::npos) ++totals.Failures;
  Print(options, label + status + " length=" + std::to_string(length) +
                     " received=" + std::to_string(got) + (complete ? " complete" : " short"));
}

bool ParseArgs(int argc, char** argv, TOptions& options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "peerget: %s needs a value\n", arg.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--host")
      options.Host = value();
    else if (arg == "--port")
      options.Port = value();
    else if (arg == "--path")
      options.Paths.push_back(value());
    else if (arg == "--http") {
      options.Http = true;
      options.HttpPath = value();
    } else if (arg == "--offset")
      options.Offset = std::strtoll(value(), nullptr, 10);
    else if (arg == "--id")
      options.Id = value();
    else if (arg == "--uid")
      options.Uid = value();
    else if (arg == "--pno")
      options.Pno = value();
    else if (arg == "--pipeline")
      options.Pipeline = true;
    else if (arg == "--stop-after")
      options.StopAfter = std::strtoll(value(), nullptr, 10);
    else if (arg == "--parallel")
      options.Parallel = std::atoi(value());
    else if (arg == "--out")
      options.Out = value();
    else if (arg == "--quiet")
      options.Quiet = true;
    else {
      std::fprintf(stderr, "peerget: unknown argument %s (see --help)\n", arg.c_str());
      return false;
    }
  }
  if (options.Port.empty() || (options.Http == !options.Paths.empty()) || options.Parallel < 1 ||
      (!options.Out.empty() && options.Parallel != 1)) {
    std::fprintf(stderr,
                 "peerget: need --port and either --path or --http; --out needs "
                 "--parallel 1 (see --help)\n");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  TOptions options;
  if (!ParseArgs(argc, argv, options)) return 2;
  FILE* out = nullptr;
  if (!options.Out.empty()) {
    out = std::fopen(options.Out.c_str(), "wb");
    if (!out) {
      std::fprintf(stderr, "peerget: cannot write %s\n", options.Out.c_str());
      return 2;
    }
  }
  TTotals totals;
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (int c = 0; c < options.Parallel; ++c)
    threads.emplace_back([&, c] {
      if (options.Http)
        RunHttp(options, c, totals, out);
      else
        RunProtocol(options, c, totals, out);
    });
  for (auto& t : threads) t.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (out) std::fclose(out);
  const int64_t bytes = totals.Bytes.load();
  std::printf("summary connections=%d requests=%d bytes=%" PRId64
              " seconds=%.3f mib_per_sec=%.2f failures=%d\n",
              options.Parallel, totals.Requests.load(), bytes, seconds,
              seconds > 0 ? bytes / 1048576.0 / seconds : 0.0, totals.Failures.load());
  return totals.Failures.load() == 0 ? 0 : 1;
}
