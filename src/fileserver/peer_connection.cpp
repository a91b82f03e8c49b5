#include "fileserver/peer_connection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/sendfile.h>
#include <sys/socket.h>

#include <asio/write.hpp>
#include <cerrno>
#include <cstring>

#include "fileserver/protocol_words.h"

namespace talvesso {

namespace {
constexpr size_t kReadBufferBytes = 65536;
}

TPeerConnection::TPeerConnection(asio::ip::tcp::socket socket)
    : Socket_(std::move(socket)), Fd_(Socket_.native_handle()), Buffer_(kReadBufferBytes) {}

TPeerConnection::~TPeerConnection() { Release(); }

TPeerConnection::TReadResult TPeerConnection::ReadLine(std::string& line) {
  line.clear();
  for (;;) {
    const char* begin = Buffer_.data() + Begin_;
    const char* end = Buffer_.data() + End_;
    const char* lf = static_cast<const char*>(std::memchr(begin, '\n', end - begin));
    const size_t take = (lf ? lf : end) - begin;
    if (line.size() + take > protocol::kMaxLineBytes) return TReadResult::TooLong;
    line.append(begin, take);
    if (lf) {
      Begin_ += take + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return TReadResult::Line;
    }
    Begin_ = End_ = 0;
    std::error_code ec;
    const size_t n = Socket_.read_some(asio::buffer(Buffer_), ec);
    if (ec == asio::error::eof) return TReadResult::Closed;
    if (ec) return TReadResult::Error;
    End_ = n;
  }
}

bool TPeerConnection::SendLine(std::string_view text) {
  // One write for the text and its line end, so a reply never goes out in pieces.
  std::string out;
  out.reserve(text.size() + 2);
  out.append(text).append("\r\n");
  return SendBytes(out.data(), out.size());
}

bool TPeerConnection::SendBytes(const char* data, size_t size) {
  std::error_code ec;
  asio::write(Socket_, asio::buffer(data, size), ec);
  return !ec;
}

TPeerConnection::TBlockResult TPeerConnection::SendFileBlock(int fd, int64_t& offset, size_t count,
                                                             size_t& sent) {
  sent = 0;
  off_t position = static_cast<off_t>(offset);
  for (;;) {
    const ssize_t n = ::sendfile(Fd_, fd, &position, count);
    if (n > 0) {
      sent = static_cast<size_t>(n);
      offset = position;
      return TBlockResult::Sent;
    }
    if (n == 0) return TBlockResult::EndOfFile;
    switch (errno) {
      case EINTR:
        continue;
      case EINVAL:
      case ENOSYS:
        // The file system cannot hand pages to a socket; the caller reads and writes itself.
        return TBlockResult::Unsupported;
      case EIO:
      case EOVERFLOW:
      case ESPIPE:
      case ENOMEM:
        return TBlockResult::ReadFailed;
      default:
        return TBlockResult::WriteFailed;
    }
  }
}

void TPeerConnection::SetCork(bool on) {
  const int value = on ? 1 : 0;
  ::setsockopt(Fd_, IPPROTO_TCP, TCP_CORK, &value, sizeof value);  // a hint; failure is harmless
}

void TPeerConnection::Close() {
  std::lock_guard lock(Mutex_);
  if (Closed_ || Released_) return;
  Closed_ = true;
  ::shutdown(Fd_, SHUT_RDWR);
}

bool TPeerConnection::Closed() const {
  std::lock_guard lock(Mutex_);
  return Closed_;
}

void TPeerConnection::Release() {
  std::lock_guard lock(Mutex_);
  if (Released_) return;
  Released_ = Closed_ = true;
  std::error_code ignored;
  Socket_.close(ignored);
}

}  // namespace talvesso
