#include "shell/account.h"

#include <QLineEdit>

#include "common/event_loop_wait.h"
#include "common/program_folder.h"
#include "common/prompts.h"
#include "common/text_format.h"
#include "shell/app_state.h"
#include "shell/frlogin.h"
#include "shell/shell_texts.h"
#include "store/server_config_store.h"
#include "webclient/service_api.h"

namespace talvesso {

namespace {

int SilentChoiceCode(const TServerConfig& config) {
  return LoginChoiceCode(config.SaveID == 1, config.SavePass == 1);
}

}  // namespace

std::string PointsText(int32_t points) {
  return "내포인트: " + FormatThousands(std::to_string(points));
}

TAccount::TAccount(TAppState& state, TPrompts& prompts, TfrmLogin& dialog, TAccountView& view)
    : State_(state), Prompts_(prompts), Dialog_(dialog), View_(view) {}

void TAccount::btnLoginClick() {
  if (State_.LoggedIn) {
    // Cleared even when the logout is refused.
    State_.ShareStarted = false;
    LogOut();
    return;
  }
  TServerConfig loaded;
  LoadServerConfig(State_.Databases.DB, loaded);
  State_.Settings.Replace(loaded);
  const std::string id = loaded.SaveID == 1 ? loaded.UserID : std::string();
  const std::string password = loaded.SavePass == 1 ? loaded.UserPass : std::string();
  LogIn(true, id, password);
}

void TAccount::LogIn(bool interactive, const std::string& id, const std::string& password) {
  std::string sendId = id;
  std::string sendPassword = password;
  int code = 0;
  if (interactive) {
    code = Dialog_.Ask(QString::fromStdString(id), QString::fromStdString(password));
    if (code == 0) return;  // cancelled
    sendId = TrimBlanks(Dialog_.edtID->text().toStdString());
    sendPassword = TrimBlanks(Dialog_.edtPass->text().toStdString());
  } else {
    code = SilentChoiceCode(State_.Settings.Snapshot());
  }

  // The request runs on a worker; windows and timers stay alive meanwhile.
  const std::string baseUrl = State_.BaseUrl;
  const TLoginAnswer answer =
      AwaitInEventLoop([&] { return TServiceApi(baseUrl).LogIn(sendId, sendPassword); });

  if (answer.Empty) {
    if (interactive) Prompts_.ShowNotice(kNoticeError, kNoConnection, "");
    return;
  }
  if (!answer.Ok) {
    Prompts_.ShowNotice(kNoticeInfo, kCheckIdPassword, "");
    return;
  }

  const int saveId = (code == kLoginSaveId || code == kLoginSaveBoth) ? 1 : 0;
  const int savePass = (code == kLoginSavePass || code == kLoginSaveBoth) ? 1 : 0;
  State_.Settings.Update([&](TServerConfig& c) {
    if (answer.UserPNo) c.UserPNo = *answer.UserPNo;
    if (answer.UserPoint) c.UserPoint = *answer.UserPoint;
    c.UserID = sendId;
    c.UserPass = sendPassword;
    c.SaveID = saveId;
    c.SavePass = savePass;
  });
  // With neither box ticked the row is left alone: what was stored before stays stored.
  if (saveId == 1 || savePass == 1) {
    SaveServerConfig(State_.Databases.DB, State_.Settings.Snapshot());
  }
  State_.LoggedIn = true;
  View_.UpdateSessionView();
  if (interactive) Prompts_.ShowNotice(kNoticeLogin, kLoggedIn, "");
  View_.ShowSharePanel(true);
}

bool TAccount::LogOut() {
  if (!State_.LoggedIn) return true;
  if (View_.Listening()) {
    Prompts_.ShowNotice(kNoticeError, kServerRunning, kStopFirst);
    return false;
  }
  State_.LoggedIn = false;
  State_.Settings.Update([](TServerConfig& c) {
    c.UserID.clear();
    c.UserPass.clear();
    c.UserPNo = -1;
    c.UserPoint = 0;
  });
  View_.UpdateSessionView();
  View_.ShowLoggedOutStatus();
  Prompts_.ShowNotice(kNoticeInfo, kLoggedOut, "");
  return true;
}

}  // namespace talvesso
