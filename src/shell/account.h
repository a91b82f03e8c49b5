// The member's login state: login (interactive or silent), local logout, the point text.
// The state itself is TAppState::LoggedIn plus the login fields of the settings record.
#pragma once

#include <cstdint>
#include <string>

namespace talvesso {

struct TAppState;
class TPrompts;
class TfrmLogin;

// What the account needs from the main window.
class TAccountView {
 public:
  virtual ~TAccountView() = default;
  virtual bool Listening() const = 0;  // the file server listens
  virtual void UpdateSessionView() = 0;
  virtual void ShowSharePanel(bool reload) = 0;
  // Status panels 1 and 2 emptied, panel 3 back to the product banner.
  virtual void ShowLoggedOutStatus() = 0;
};

// "내포인트: 1,500"
std::string PointsText(int32_t points);

class TAccount {
 public:
  TAccount(TAppState& state, TPrompts& prompts, TfrmLogin& dialog, TAccountView& view);

  // The toolbar button: logs out when logged in, else loads the settings and asks.
  void btnLoginClick();
  // Interactive: asks with the dialog (prefilled with id and password), sends the trimmed
  // values. Silent: sends id and password as they are. Callers look at LoggedIn afterwards.
  void LogIn(bool interactive, const std::string& id, const std::string& password);
  // Ends the login locally; false (with a notice) while the file server listens.
  bool LogOut();

 private:
  TAppState& State_;
  TPrompts& Prompts_;
  TfrmLogin& Dialog_;
  TAccountView& View_;
};

}  // namespace talvesso
