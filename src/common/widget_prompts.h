// The member-facing prompts with real windows: the notice popup and message boxes.
#pragma once

#include <functional>

#include "common/prompts.h"

namespace talvesso {

class TfrmMsgDialog;

class TWidgetPrompts : public TPrompts {
 public:
  // `popupCloseSeconds` is read at every notice, so a settings change applies to the next one.
  // Before the popup exists (`notice` null) only the message boxes can be used.
  TWidgetPrompts(TfrmMsgDialog* notice, std::function<int()> popupCloseSeconds);

  void ShowNotice(const std::string& title, const std::string& line1,
                  const std::string& line2) override;
  void ShowMessage(TMessageKind kind, const std::string& caption, const std::string& text) override;
  bool AskYesNo(TMessageKind kind, const std::string& caption, const std::string& text) override;

 private:
  TfrmMsgDialog* Notice_;
  std::function<int()> PopupCloseSeconds_;
};

}  // namespace talvesso
