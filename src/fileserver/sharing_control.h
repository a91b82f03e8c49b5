// Sharing on and off: the start/stop command of btnSvrStart (network pre-check, catalogue
// refresh, port check, listener, cost query, status reports), the one-second share timer
// (share clock, points, list clean-up, heartbeat) and the timer of the hourly quiet refresh.
// Runs on the UI thread; every backend request and the network check run on worker threads
// while the UI thread keeps handling events.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

class QTimer;

namespace talvesso {

struct TAppState;
class TPrompts;
class TSvrModule;
class TTCPChk;
class TFolderUpdateCommand;
class TTransferPanel;
class TBackgroundCalls;

// What the sharing command needs from the main window.
class TSharingView {
 public:
  virtual ~TSharingView() = default;
  virtual void ShowTransferPanel() = 0;
  virtual void UpdateSessionView() = 0;
  // btnSvrStart stays disabled while the command runs.
  virtual void SetSharingBusy(bool busy) = 0;
  // Status panel 1.
  virtual void ShowShareClock(const std::string& text) = 0;
  // Status panel 2 from the settings' UserPoint.
  virtual void ShowPoints() = 0;
  // The settings dialog (when the server name or the port is missing).
  virtual void EditServerSettings() = 0;
};

// "1시간 5초", "2분 0초", "59초".
std::string ShareClockText(int32_t seconds);

// How long the quiet refresh waits after the last update or start: one hour, counted on
// the whole elapsed time (days included).
inline constexpr uint32_t kHourlyRefreshMs = 60u * 60u * 1000u;
inline constexpr int kShareTickMs = 1000;
// Share ticks between point refreshes and between heartbeats.
inline constexpr int kPointTicks = 15;
inline constexpr int kHeartbeatTicks = 60;
// Above this many rows the finished ones go at the heartbeat.
inline constexpr int kMaxListRows = 100;
// A development and test knob: the length of one share tick in milliseconds (the heartbeat
// comes every 60 ticks). The program counts real seconds without it.
inline constexpr const char* kShareTickEnv = "TALVESSO_SHARE_TICK_MS";

class TSharingControl : public QObject {
  Q_OBJECT
 public:
  TSharingControl(TAppState& state, TPrompts& prompts, TSharingView& view, TSvrModule& module,
                  TTCPChk& check, TFolderUpdateCommand& folderUpdate, TTransferPanel& panel,
                  QObject* parent = nullptr);
  ~TSharingControl() override;

  // The start/stop command (the button, and the start-up when sharing starts by itself).
  void btnSvrStartClick();
  void ToggleSharing();
  void StartServer();
  void ConfirmServerStop();

  // Timer handlers, public so tests can tick them by hand.
  void tmrShareTimer();
  void Chk_TimerTimer();

  // The folders the file server may serve: the registered folders in use.
  void UpdateSharedRoots();

  // Milliseconds of a monotonic clock (the hourly refresh and ShareStartTime use it).
  void SetClock(std::function<uint32_t()> clock) { Clock_ = std::move(clock); }
  uint32_t Now() const { return Clock_(); }

  int32_t ShareSeconds() const { return ShareSeconds_; }
  bool Busy() const { return Busy_; }
  QTimer* tmrShare;
  QTimer* Chk_Timer;

 signals:
  // A start or stop command has ended (whatever its outcome).
  void commandFinished();
  // A heartbeat was handed to the backend (value: the rate sent).
  void heartbeatSent(int32_t serverBps);

 private:
  bool RunPreCheck();
  void StartSharing();
  void StopSharing();

  TAppState& State_;
  TPrompts& Prompts_;
  TSharingView& View_;
  TSvrModule& Module_;
  TTCPChk& Check_;
  TFolderUpdateCommand& FolderUpdate_;
  TTransferPanel& Panel_;
  TBackgroundCalls* Calls_;
  std::function<uint32_t()> Clock_;
  int32_t ShareSeconds_ = 0;  // never reset: counts on across stops and starts
  bool Busy_ = false;         // the start/stop command runs
  bool Refreshing_ = false;   // the quiet hourly refresh runs
};

}  // namespace talvesso
