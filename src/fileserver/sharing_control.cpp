#include "fileserver/sharing_control.h"

#include <QTimer>
#include <cstdlib>

#include "catalogue/frupdatefolder.h"
#include "catalogue/update_texts.h"
#include "common/event_loop_wait.h"
#include "common/prompts.h"
#include "common/tick.h"
#include "diagnostics/TCPChk.h"
#include "fileserver/background_calls.h"
#include "fileserver/prSvrModule.h"
#include "fileserver/sharing_texts.h"
#include "fileserver/transfer_list_model.h"
#include "fileserver/transfer_panel.h"
#include "shell/app_state.h"
#include "webclient/service_api.h"

namespace talvesso {

namespace {

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

int ShareTickMs() {
  const char* knob = std::getenv(kShareTickEnv);
  if (!knob || !*knob) return kShareTickMs;
  char* end = nullptr;
  const long value = std::strtol(knob, &end, 10);
  return (*end == '\0' && value >= 10 && value <= kShareTickMs) ? static_cast<int>(value)
                                                                : kShareTickMs;
}

}  // namespace

std::string ShareClockText(int32_t seconds) {
  const int32_t h = seconds / 3600;
  const int32_t m = (seconds % 3600) / 60;
  const int32_t s = seconds % 60;
  std::string text;
  if (h > 0) text += std::to_string(h) + "시간 ";
  if (m > 0) text += std::to_string(m) + "분 ";
  return text + std::to_string(s) + "초";
}

TSharingControl::TSharingControl(TAppState& state, TPrompts& prompts, TSharingView& view,
                                 TSvrModule& module, TTCPChk& check,
                                 TFolderUpdateCommand& folderUpdate, TTransferPanel& panel,
                                 QObject* parent)
    : QObject(parent),
      tmrShare(new QTimer(this)),
      Chk_Timer(new QTimer(this)),
      State_(state),
      Prompts_(prompts),
      View_(view),
      Module_(module),
      Check_(check),
      FolderUpdate_(folderUpdate),
      Panel_(panel),
      Calls_(new TBackgroundCalls(this)),
      Clock_(&TickCount32) {
  tmrShare->setObjectName(QStringLiteral("tmrShare"));
  tmrShare->setInterval(ShareTickMs());
  connect(tmrShare, &QTimer::timeout, this, &TSharingControl::tmrShareTimer);

  Chk_Timer->setObjectName(QStringLiteral("Chk_Timer"));
  Chk_Timer->setInterval(kShareTickMs);
  connect(Chk_Timer, &QTimer::timeout, this, &TSharingControl::Chk_TimerTimer);
  Chk_Timer->start();

  // The folder update's question about running transfers looks at the same rows.
  FolderUpdate_.ActiveTransferCount = [this] {
    return CountActiveTransfers(Module_.StatusRecords());
  };
}

TSharingControl::~TSharingControl() {
  FolderUpdate_.ActiveTransferCount = nullptr;
  // Calls_ (a child) waits for the reports still under way.
}

void TSharingControl::btnSvrStartClick() {
  if (Busy_) return;  // the button is disabled meanwhile; the start-up may still call
  Busy_ = true;
  View_.SetSharingBusy(true);

  if (Module_.Listening() || RunPreCheck()) {
    View_.ShowTransferPanel();
    ToggleSharing();
    if (Module_.Listening()) {
      State_.ShareStarted = true;
      State_.ShareStartTime = Clock_();
    } else {
      State_.ShareStarted = false;
    }
  }

  Busy_ = false;
  View_.SetSharingBusy(false);
  emit commandFinished();
}

bool TSharingControl::RunPreCheck() {
  const std::string portText = std::to_string(State_.Settings.Snapshot().Port);
  // The check blocks for a few seconds; the window stays alive meanwhile.
  const TNetworkCheckOutcome outcome =
      AwaitInEventLoop([this, &portText] { return Check_.RunNetworkCheck(portText); });
  for (const std::string& error : outcome.SocketErrors) {
    Prompts_.ShowMessage(TMessageKind::Error, sharing_text::kCheckCaption, error);
  }
  if (!outcome.Finished) {
    // The port could not be opened for listening: another program holds it.
    Prompts_.ShowMessage(TMessageKind::Error, sharing_text::kCheckCaption, outcome.Error);
    return false;
  }
  const TNetworkCheckResults results = Check_.Results();
  if (results.SpeedRounds < results.SpeedTarget) {
    Prompts_.ShowMessage(TMessageKind::Information, sharing_text::kCaption,
                         sharing_text::kLineTooSlow);
    return false;
  }
  if (results.PortTestResult > 0) {
    Prompts_.ShowMessage(TMessageKind::Information, sharing_text::kCaption,
                         portText + sharing_text::kCheckPortSuffix);
    return false;
  }
  if (!results.PublicReachable) {
    Prompts_.ShowMessage(TMessageKind::Information, sharing_text::kCaption,
                         sharing_text::kUnreachable);
    return false;
  }
  return true;
}

void TSharingControl::ToggleSharing() {
  const TServerConfig config = State_.Settings.Snapshot();
  if (IsBlank(config.Name) || config.Port < 1) {
    Prompts_.ShowNotice(kNoticeInfo, sharing_text::kNameOrPortMissing, "");
    View_.EditServerSettings();
    return;  // sharing does not start from here
  }
  if (Module_.Listening()) {
    StopSharing();
  } else {
    StartSharing();
  }
  View_.UpdateSessionView();
}

void TSharingControl::StopSharing() {
  ConfirmServerStop();
  if (Module_.Listening()) return;  // declined, or the listener did not stop
  const TServerConfig config = State_.Settings.Snapshot();
  const std::string baseUrl = State_.BaseUrl;
  // A plain GET whose answer nobody reads; it does not hold the window.
  Calls_->Run([baseUrl, pno = config.UserPNo, port = config.Port] {
    TServiceApi(baseUrl).SetServerStatusOff(pno, port);
  });
  tmrShare->stop();
}

void TSharingControl::StartSharing() {
  Panel_.ClearRows();
  Module_.ClearSessions();

  const int result = FolderUpdate_.RunFolderUpdate();
  if (result != kUpdateAccepted) {
    Prompts_.ShowNotice(kNoticeError, std::string(UpdateFailureText(result)), "");
    return;
  }

  const int32_t port = State_.Settings.Snapshot().Port;
  std::string error;
  const int32_t checked = TSvrModule::CheckPort(port, &error);
  if (checked < 0) {
    Prompts_.ShowMessage(TMessageKind::Error, sharing_text::kStartTitle, error);
    return;
  }
  if (checked != port) {
    State_.Settings.Update([checked](TServerConfig& c) { c.Port = checked; });
    Prompts_.ShowNotice(kNoticeInfo, sharing_text::kPortMoved, "");
  }

  UpdateSharedRoots();
  StartServer();
  if (!Module_.Listening()) return;

  const std::string baseUrl = State_.BaseUrl;
  const TCostValues cost =
      AwaitInEventLoop([&baseUrl] { return TServiceApi(baseUrl).QueryCost(); });
  State_.Settings.Update([&cost](TServerConfig& c) {
    c.CostValue1 = cost.CostValue1;
    c.CostValue2 = cost.CostValue2;
  });
  const TServerConfig config = State_.Settings.Snapshot();
  AwaitInEventLoop([&baseUrl, &config] {
    TServiceApi(baseUrl).SetServerStatusOn(config.UserPNo, config.Port, config.Name);
  });
  tmrShare->start();
}

void TSharingControl::StartServer() {
  const TServerConfig config = State_.Settings.Snapshot();
  const int32_t result = Module_.StartListener(config.Port, config.MaxConn);
  if (result != kListenStarted && !Module_.Listening()) {
    Prompts_.ShowNotice(sharing_text::kStartTitle, sharing_text::kStartFailed,
                        sharing_text::kStartFailedHint);
  } else {
    Prompts_.ShowNotice(sharing_text::kStartTitle, sharing_text::kStarted, "");
  }
}

void TSharingControl::ConfirmServerStop() {
  if (!Module_.Listening()) return;
  if (!Prompts_.AskYesNo(TMessageKind::Information, sharing_text::kCaption,
                         sharing_text::kAskStop)) {
    return;
  }
  if (Module_.StopListener()) {
    Prompts_.ShowNotice(sharing_text::kStopTitle, sharing_text::kStopped, "");
  } else {
    Prompts_.ShowNotice(sharing_text::kStopTitle, sharing_text::kStopFailed, "");
  }
}

void TSharingControl::tmrShareTimer() {
  ++ShareSeconds_;
  View_.ShowShareClock(sharing_text::kShareClockPrefix + ShareClockText(ShareSeconds_));

  const TServerConfig config = State_.Settings.Snapshot();
  const std::string baseUrl = State_.BaseUrl;
  if (ShareSeconds_ % kPointTicks == 0) {
    Calls_->Run<int32_t>(
        [baseUrl, id = config.UserID] { return TServiceApi(baseUrl).QueryPoints(id); },
        [this](int32_t points) {
          if (points <= 0) return;
          State_.Settings.Update([points](TServerConfig& c) { c.UserPoint = points; });
          View_.ShowPoints();
        });
  }
  if (ShareSeconds_ % kHeartbeatTicks == 0 && Module_.Listening()) {
    if (Panel_.RowCount() > kMaxListRows) Panel_.btnRefreshClick();
    const int32_t bps = Module_.LastServerBps();
    Calls_->Run(
        [baseUrl, pno = config.UserPNo, bps] { TServiceApi(baseUrl).SendWatchdog(pno, bps); });
    emit heartbeatSent(bps);
  }
}

void TSharingControl::Chk_TimerTimer() {
  // Never on top of a start/stop command or an update already under way: their event loops
  // let this timer tick meanwhile.
  if (Refreshing_ || Busy_ || FolderUpdate_.Running()) return;
  if (!State_.ShareStarted) return;
  if (CountActiveTransfers(Module_.StatusRecords()) > 0) return;
  const uint32_t elapsed = Clock_() - State_.ShareStartTime;  // modulo 2^32, like the tick
  if (elapsed < kHourlyRefreshMs) return;

  Refreshing_ = true;
  const uint32_t started = Clock_();
  FolderUpdate_.Run(/*quiet=*/true);
  // The next refresh comes an hour after this one began, on this control's clock.
  State_.ShareStartTime = started;
  Refreshing_ = false;
}

void TSharingControl::UpdateSharedRoots() {
  std::vector<std::string> roots;
  for (const TShareFolderNodeData& folder : State_.FolderList) {
    if (folder.Use == 1) roots.push_back(folder.Path);
  }
  Module_.SetSharedRoots(std::move(roots));
}

}  // namespace talvesso
