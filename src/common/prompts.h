// How commands talk to the member: the self-closing notice, questions and message boxes.
// The desktop layer implements it with real windows; tests hand in a scripted fake, so no
// test waits for a popup. Texts are UTF-8.
#pragma once

#include <string>

namespace talvesso {

inline constexpr const char* kNoticeInfo = "안 내";
inline constexpr const char* kNoticeError = "에 러";
inline constexpr const char* kNoticeWarning = "경 고";

enum class TMessageKind { Information, Warning, Error };

class TPrompts {
 public:
  virtual ~TPrompts() = default;
  // The notice popup: title and two lines, closes by itself after PopupClose seconds.
  virtual void ShowNotice(const std::string& title, const std::string& line1,
                          const std::string& line2) = 0;
  // A message box with one button.
  virtual void ShowMessage(TMessageKind kind, const std::string& caption,
                           const std::string& text) = 0;
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(TMessageKind kind, const std::string& caption,
                        const std::string& text) = 0;
};

}  // namespace talvesso
