// One peer's TCP connection: line reading for the read loop, line and file-block writing for
// the sender, and a close that any thread may ask for.
#pragma once

#include <asio/ip/tcp.hpp>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace talvesso {

class TPeerConnection {
 public:
  explicit TPeerConnection(asio::ip::tcp::socket socket);
  ~TPeerConnection();
  TPeerConnection(const TPeerConnection&) = delete;
  TPeerConnection& operator=(const TPeerConnection&) = delete;

  enum class TReadResult { Line, Closed, TooLong, Error };
  // Reader thread only. Reads up to the next LF, drops one CR right before it, and refuses a
  // line with more than kMaxLineBytes before the LF. Waits without a time limit.
  TReadResult ReadLine(std::string& line);

  // Sender thread only (one sender at a time per connection). Writes are unbuffered.
  bool SendLine(std::string_view text);  // text + CR LF
  bool SendBytes(const char* data, size_t size);

  enum class TBlockResult { Sent, EndOfFile, ReadFailed, WriteFailed, Unsupported };
  // Hands up to `count` bytes of `fd` from `offset` straight to the socket (sendfile);
  // `offset` and `sent` advance by what went out.
  TBlockResult SendFileBlock(int fd, int64_t& offset, size_t count, size_t& sent);

  // While corked, the system sends only full packets (the header travels with the first
  // block); uncorking pushes out what is left. Sender thread only.
  void SetCork(bool on);

  // Any thread: ends the connection in both directions, so a blocked read or write returns.
  // Bytes already written still reach the peer. Idempotent.
  void Close();
  bool Closed() const;
  // Connection thread, after every user has finished: frees the socket.
  void Release();

 private:
  asio::ip::tcp::socket Socket_;
  mutable std::mutex Mutex_;  // guards Closed_/Released_ against Close() from other threads
  bool Closed_ = false;
  bool Released_ = false;
  int Fd_ = -1;
  std::vector<char> Buffer_;
  size_t Begin_ = 0;
  size_t End_ = 0;
};

}  // namespace talvesso
