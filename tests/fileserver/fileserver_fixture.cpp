#include "fileserver_fixture.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

namespace talvesso::test {

namespace {
constexpr int kReadTimeoutMs = 5000;
}

int TFakeBackend::SetDownStart(int32_t filePNo, const std::string& serverId,
                               const std::string& peer, const std::string& uid, bool resumed) {
  const int now = ++InFlight_;
  int seen = MaxInFlight_.load();
  while (now > seen && !MaxInFlight_.compare_exchange_weak(seen, now)) {
  }
  TDownStartCall call{filePNo, serverId, peer, uid, resumed};
  {
    std::lock_guard lock(Mutex_);
    DownStarts_.push_back(call);
  }
  const int answer = OnDownStart ? OnDownStart(call) : 100;
  --InFlight_;
  return answer;
}

int TFakeBackend::SetCost(const std::string& serverId, const std::string& peer, int32_t packets,
                          int32_t serverBps, int32_t filePNo, const std::string& uid) {
  std::lock_guard lock(Mutex_);
  Costs_.push_back({serverId, peer, packets, serverBps, filePNo, uid});
  return 0;
}

std::vector<TDownStartCall> TFakeBackend::DownStarts() const {
  std::lock_guard lock(Mutex_);
  return DownStarts_;
}

std::vector<TCostCall> TFakeBackend::Costs() const {
  std::lock_guard lock(Mutex_);
  return Costs_;
}

void TRecordingObserver::RowChanged(const TTransferRowView& row) {
  std::lock_guard lock(Mutex_);
  Changed_.push_back(row.Id);
}

void TRecordingObserver::SummaryChanged(const TTransferSummary& summary) {
  std::lock_guard lock(Mutex_);
  Summary_ = summary;
}

int TRecordingObserver::ChangesOf(uint64_t id) const {
  std::lock_guard lock(Mutex_);
  return static_cast<int>(std::count(Changed_.begin(), Changed_.end(), id));
}

TTransferSummary TRecordingObserver::LastSummary() const {
  std::lock_guard lock(Mutex_);
  return Summary_;
}

TPeer::~TPeer() {
  if (Fd_ >= 0) ::close(Fd_);
}

bool TPeer::Connect(int port) {
  Fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<uint16_t>(port));
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return ::connect(Fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
}

bool TPeer::Send(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(Fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool TPeer::Fill() {
  pollfd p{Fd_, POLLIN, 0};
  if (::poll(&p, 1, kReadTimeoutMs) <= 0) return false;
  char buffer[65536];
  ssize_t n = ::recv(Fd_, buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  Pending_.append(buffer, static_cast<size_t>(n));
  return true;
}

std::optional<std::string> TPeer::ReadLine() {
  for (;;) {
    auto lf = Pending_.find("\r\n");
    if (lf != std::string::npos) {
      std::string line = Pending_.substr(0, lf);
      Pending_.erase(0, lf + 2);
      return line;
    }
    if (!Fill()) return std::nullopt;
  }
}

std::string TPeer::ReadBytes(size_t count) {
  while (Pending_.size() < count)
    if (!Fill()) break;
  std::string out = Pending_.substr(0, std::min(count, Pending_.size()));
  Pending_.erase(0, out.size());
  return out;
}

bool TPeer::ClosedByServer() {
  if (!Pending_.empty()) return false;
  pollfd p{Fd_, POLLIN, 0};
  if (::poll(&p, 1, kReadTimeoutMs) <= 0) return false;  // nothing at all: still open
  char c;
  return ::recv(Fd_, &c, 1, 0) <= 0;
}

void TPeer::Abort() {
  linger reset{1, 0};
  ::setsockopt(Fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  ::close(Fd_);
  Fd_ = -1;
}

std::string DownloadRequest(const std::string& path, int64_t offset, const std::string& id,
                            const std::string& uid, const std::string& pno) {
  return "REQUEST_DOWNLOAD_FILE\r\n" + id + "\r\n" + uid + "\r\nx\r\ny\r\nz\r\n" + pno + "\r\n" +
         path + "\r\n" + std::to_string(offset) + "\r\n";
}

TReply ReadReply(TPeer& peer, int64_t offset, int64_t expectedBytes) {
  TReply reply;
  auto word = peer.ReadLine();
  if (!word) return reply;
  reply.Word = *word;
  int more = reply.Word == "FILE_SEND" ? 4 : reply.Word == "FILE_SEND_COMPLETE" ? 1 : 0;
  for (int i = 0; i < more; ++i) {
    auto line = peer.ReadLine();
    if (!line) return reply;
    reply.Lines.push_back(*line);
  }
  if (reply.Word == "FILE_SEND") {
    const int64_t size = std::stoll(reply.Lines[0]);
    const int64_t count = expectedBytes >= 0 ? expectedBytes : std::max<int64_t>(0, size - offset);
    reply.Bytes = peer.ReadBytes(static_cast<size_t>(count));
  }
  return reply;
}

TFileServerTest::TFileServerTest() {
  Share = Dir.Path() / "share";
  std::filesystem::create_directories(Share);
  TServerConfig config;
  config.UserID = "server1";
  config.MaxConn = 10;
  config.CostValue1 = 16;
  config.CostValue2 = 1;
  Settings.Replace(config);
  Server = std::make_unique<TSvrModule>(Settings, Backend, &Observer);
}

TFileServerTest::~TFileServerTest() { Server.reset(); }

void TFileServerTest::StartServer(int32_t listenMaxConn) {
  ASSERT_EQ(Server->StartListener(0, listenMaxConn), kListenStarted);
  Port = Server->LocalPort();
  ASSERT_GT(Port, 0);
  Server->SetSharedRoots({Share.string()});
}

std::filesystem::path TFileServerTest::ShareFile(const std::string& relative,
                                                 const std::string& content) {
  auto path = Share / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::filesystem::path TFileServerTest::SparseFile(const std::string& relative, int64_t size) {
  auto path = Share / relative;
  std::filesystem::create_directories(path.parent_path());
  int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
  return path;
}

bool TFileServerTest::WaitForState(int32_t state, size_t index) {
  return WaitFor([&] {
    auto rows = Rows();
    return rows.size() > index && rows[index].Data.State == state;
  });
}

bool TFileServerTest::WaitForCosts(size_t count) {
  return WaitFor([&] { return Backend.Costs().size() >= count; });
}

}  // namespace talvesso::test
