// One accepted connection: its socket, the fields of its latest request, and the queue of
// requests waiting for the connection's sender.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fileserver/peer_connection.h"
#include "fileserver/transfer_record.h"

namespace talvesso {

// A download request as the sender needs it, copied when the request's last line arrives.
// Texts are the bytes as the peer sent them (CP949).
struct TSendRequest {
  std::shared_ptr<TTransferRow> Row;
  std::string PeerUserId;
  std::string TransferUid;
  std::string FilePath;
  int32_t FilePNo = 0;
  int64_t StartOffset = 0;
};

class TSessionUser {
 public:
  using TRowChanged = std::function<void(const TTransferRowView&)>;
  // `rowChanged` is told about rows the session itself ends (requests that never ran).
  TSessionUser(asio::ip::tcp::socket socket, int32_t serial, TRowChanged rowChanged);
  ~TSessionUser();
  TSessionUser(const TSessionUser&) = delete;
  TSessionUser& operator=(const TSessionUser&) = delete;

  TPeerConnection& Connection() { return Connection_; }
  int32_t Serial() const { return Serial_; }

  // Fields of the latest request (read loop only).
  std::string PeerUserId;
  std::string TransferUid;
  std::string FilePath;
  int64_t StartOffset = 0;
  int32_t RequestCount = 0;

  // Requests on one connection are served one at a time, in the order they came. `serve`
  // runs on the connection's sender thread for each request; it returns false when the
  // connection must close. Read loop only.
  using TServeFunction = std::function<bool(const TSendRequest&)>;
  void QueueRequest(TSendRequest request, const TServeFunction& serve);

  // "REQUEST_STOP_DOWNLOAD_FILE": the running transfer stops after its current block. No
  // effect while nothing is being sent.
  void RequestStop();
  // Asked by the sender at every block.
  bool StopRequested() const { return StopRequested_.load(std::memory_order_relaxed); }

  // End of the connection (connection thread): closes it, lets the sender end the requests
  // that never got their turn (state 4, nothing sent, nothing reported to the backend), and
  // waits for the sender thread.
  void FinishSending();

 private:
  void RunSender(TServeFunction serve);
  void Cancel(std::deque<TSendRequest>& requests);

  TPeerConnection Connection_;
  const int32_t Serial_;
  const TRowChanged RowChanged_;

  std::mutex Mutex_;
  std::deque<TSendRequest> Pending_;
  bool SenderActive_ = false;
  std::atomic<bool> StopRequested_{false};
  std::thread Sender_;  // started and joined by the connection thread only
};

}  // namespace talvesso
