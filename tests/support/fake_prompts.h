// A scripted stand-in for the member's answers: records every notice and message, answers
// questions from a queue (No when the queue is empty), and never blocks.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/prompts.h"

namespace talvesso::test {

class TFakePrompts : public TPrompts {
 public:
  struct TNotice {
    std::string Title, Line1, Line2;
  };
  struct TMessage {
    TMessageKind Kind;
    std::string Caption, Text;
    bool Question = false;
  };

  void ShowNotice(const std::string& title, const std::string& line1,
                  const std::string& line2) override {
    Notices.push_back({title, line1, line2});
  }
  void ShowMessage(TMessageKind kind, const std::string& caption,
                   const std::string& text) override {
    Messages.push_back({kind, caption, text, false});
  }
  bool AskYesNo(TMessageKind kind, const std::string& caption, const std::string& text) override {
    Messages.push_back({kind, caption, text, true});
    if (Answers.empty()) return false;
    bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }

  std::vector<TNotice> Notices;
  std::vector<TMessage> Messages;
  std::deque<bool> Answers;  // scripted Yes (true) / No (false) answers, in order
};

}  // namespace talvesso::test
