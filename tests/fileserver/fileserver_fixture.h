// Shared pieces of the file server tests: a scripted backend, a raw-socket peer and a
// fixture that runs the server on a free port over a temp share folder.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fileserver/prSvrModule.h"
#include "support/temp_dir.h"

namespace talvesso::test {

struct TDownStartCall {
  int32_t FilePNo;
  std::string ServerId, PeerUserId, TransferUid;
  bool Resumed;
};
struct TCostCall {
  std::string ServerId, PeerUserId;
  int32_t PacketCount, ServerBps, FilePNo;
  std::string TransferUid;
};

// Answers 100 unless told otherwise; records every call and the most calls ever in flight.
class TFakeBackend : public TDownloadBackend {
 public:
  std::function<int(const TDownStartCall&)> OnDownStart;

  int SetDownStart(int32_t filePNo, const std::string& serverId, const std::string& peer,
                   const std::string& uid, bool resumed) override;
  int SetCost(const std::string& serverId, const std::string& peer, int32_t packets,
              int32_t serverBps, int32_t filePNo, const std::string& uid) override;

  std::vector<TDownStartCall> DownStarts() const;
  std::vector<TCostCall> Costs() const;
  int MaxInFlight() const { return MaxInFlight_.load(); }

 private:
  mutable std::mutex Mutex_;
  std::vector<TDownStartCall> DownStarts_;
  std::vector<TCostCall> Costs_;
  std::atomic<int> InFlight_{0};
  std::atomic<int> MaxInFlight_{0};
};

// Counts what the display would get.
class TRecordingObserver : public TFileServerObserver {
 public:
  void RowAdded(const TTransferRowView& row) override { ++Added; }
  void RowChanged(const TTransferRowView& row) override;
  void SummaryChanged(const TTransferSummary& summary) override;
  int ChangesOf(uint64_t id) const;
  TTransferSummary LastSummary() const;
  std::atomic<int> Added{0};

 private:
  mutable std::mutex Mutex_;
  std::vector<uint64_t> Changed_;
  TTransferSummary Summary_;
};

// A downloading peer on a plain socket; every read gives up after a few seconds.
class TPeer {
 public:
  TPeer() = default;
  ~TPeer();
  TPeer(const TPeer&) = delete;
  TPeer& operator=(const TPeer&) = delete;

  bool Connect(int port);
  bool Send(const std::string& bytes);
  // A line without CR LF; nullopt when the connection ended or nothing came in time.
  std::optional<std::string> ReadLine();
  // Exactly `count` bytes, or fewer when the connection ended first.
  std::string ReadBytes(size_t count);
  // True when the server has closed the connection (no further byte arrives).
  bool ClosedByServer();
  // Closes with a reset, as a vanished peer does.
  void Abort();

 private:
  bool Fill();
  int Fd_ = -1;
  std::string Pending_;
};

// The nine request lines.
std::string DownloadRequest(const std::string& path, int64_t offset = 0,
                            const std::string& id = "peer1", const std::string& uid = "T100",
                            const std::string& pno = "7");

// What the peer read for one request.
struct TReply {
  std::string Word;                // first line
  std::vector<std::string> Lines;  // following lines (size for COMPLETE; 4 for FILE_SEND)
  std::string Bytes;               // file bytes for FILE_SEND
};
// Reads one reply; for FILE_SEND, `expectedBytes` (default: size - offset) bytes.
TReply ReadReply(TPeer& peer, int64_t offset = 0, int64_t expectedBytes = -1);

class TFileServerTest : public ::testing::Test {
 protected:
  TFileServerTest();
  ~TFileServerTest() override;

  void StartServer(int32_t listenMaxConn = 0);
  void RestartModule();
  std::filesystem::path ShareFile(const std::string& relative, const std::string& content);
  // A sparse file of `size` bytes.
  std::filesystem::path SparseFile(const std::string& relative, int64_t size);
  // The rows, newest first.
  std::vector<TTransferRowView> Rows() { return Server->StatusRecords().Rows(); }
  // Waits until the newest row (or row `index` from the top) reaches `state`.
  bool WaitForState(int32_t state, size_t index = 0);
  bool WaitForCosts(size_t count);

  TTempDir Dir;
  std::filesystem::path Share;
  TSettings Settings;
  TFakeBackend Backend;
  TRecordingObserver Observer;
  std::unique_ptr<TSvrModule> Server;
  int Port = 0;
};

}  // namespace talvesso::test
