// The file server: the listener, one session per connection, the shared state of all
// transfers (speed cells, transfer rows, the download-start lock) and the status summary.
#pragma once

#include <array>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fileserver/file_server_observer.h"
#include "fileserver/protocol_words.h"
#include "fileserver/shared_roots.h"
#include "fileserver/transfer_store.h"
#include "store/server_config.h"
#include "webclient/service_api.h"

namespace talvesso {

class TSessionUser;
struct TSendRequest;

// Results of StartListener.
inline constexpr int32_t kListenStarted = 0;
inline constexpr int32_t kListenInactive = 1;
inline constexpr int32_t kListenFailed = 2;

class TSvrModule {
 public:
  // `observer` may be null. All three must outlive the module.
  TSvrModule(TSettings& settings, TDownloadBackend& backend, TFileServerObserver* observer);
  // Stops the listener and waits for every connection and sender thread.
  ~TSvrModule();
  TSvrModule(const TSvrModule&) = delete;
  TSvrModule& operator=(const TSvrModule&) = delete;

  // Binds a throw-away listener on `port` (0: the system picks one) and returns the port
  // bound, or -1 with `error` set when it cannot be bound.
  static int32_t CheckPort(int32_t port, std::string* error = nullptr);

  // Listens on `port` on every local IPv4 and IPv6 address, backlog 15. Beyond `maxConn`
  // open connections (0: no limit) a new one is closed at once without a byte.
  // 0 started, 1 not active, 2 failed (e.g. the port is taken); `Listening` is set only on 0.
  int32_t StartListener(int32_t port, int32_t maxConn);
  // Closes the listener and every connection and waits up to 5 seconds for their threads.
  // True when the listener is no longer active. A fresh start works afterwards.
  bool StopListener();

  // The shared folders in use (UTF-8 paths); replaceable while listening. Only regular files
  // inside them are served; anything else is answered as a missing file.
  void SetSharedRoots(std::vector<std::string> rootsUtf8) { Roots_.Replace(std::move(rootsUtf8)); }

  bool Listening() const { return Listening_.load(); }
  int32_t ListenPort() const { return ListenPort_.load(); }
  int32_t ListenMaxConn() const { return ListenMaxConn_.load(); }
  // The port actually bound by the running listener (differs from ListenPort for port 0).
  int32_t LocalPort() const { return LocalPort_.load(); }
  int32_t SessionCount() const { return SessionCount_.load(); }

  // The transfer rows.
  TTransferStore& StatusRecords() { return Records_; }
  void ClearStatusRecords() { Records_.Clear(); }
  // Joins the threads of connections that have ended. Sessions leave the session list by
  // themselves when their connection ends.
  void ClearSessions();

  // Total of the positive speed cells; with no session, zeroes every cell and gives 0.
  int32_t SumSpeeds();
  // Recomputes the summary, keeps LastServerBps, tells the observer.
  void UpdateTransferSummary();
  // The last positive total send rate (bytes per second); 0 until there was one.
  int32_t LastServerBps() const { return LastServerBps_.load(); }

 private:
  friend class TSendThread;
  struct TListener;
  struct TConnectionThread;

  void AcceptLoop(TListener* listener);
  void StartConnection(asio::ip::tcp::socket socket);
  void RunConnection(std::shared_ptr<TSessionUser> session, TConnectionThread* self);
  // The read loop of one connection; returns when the connection has ended.
  void ListenerExecute(TSessionUser& session);
  bool Serve(TSessionUser& session, const TSendRequest& request);
  void RemoveSession(const std::shared_ptr<TSessionUser>& session);
  void ReapConnections(bool waitForAll);
  void NotifyRowChanged(const TTransferRowView& row);
  void SetSpeedSlot(int32_t serial, int32_t speed);

  TSettings& Settings_;
  TDownloadBackend& Backend_;
  TFileServerObserver* Observer_;
  TSharedRoots Roots_;
  TTransferStore Records_;

  asio::io_context Io_;                  // owns the sockets' service objects; never run
  std::unique_ptr<TListener> Listener_;  // start and stop only (UI thread)

  std::atomic<int32_t> ListenPort_{0};
  std::atomic<int32_t> ListenMaxConn_{0};
  std::atomic<int32_t> LocalPort_{0};
  std::atomic<bool> Listening_{false};
  std::atomic<int32_t> SessionCount_{0};
  std::atomic<int32_t> LastServerBps_{0};
  std::array<std::atomic<int32_t>, protocol::kSpeedSlotCount> SpeedSlots_{};

  // Serialises the download-start calls of all senders.
  std::mutex RequestLock_;

  std::mutex SessionsMutex_;
  std::condition_variable SessionsChanged_;
  std::vector<std::shared_ptr<TSessionUser>> SessionList_;  // in order of connection
  std::list<std::unique_ptr<TConnectionThread>> Connections_;
  int32_t SessionSerial_ = 0;
};

}  // namespace talvesso
