#pragma once

#include "platform/win/msgbox.h"

#include <deque>
#include <vector>

// For tests: records every box and answers with the queued answers in turn, then as an
// unattended box would.
class ScriptedMessageBoxes {
public:
    ScriptedMessageBoxes()
        : scope_([this](const MessageBoxRequest& request) {
              shown_.push_back(request);
              if (answers_.empty())
                  return UnattendedAnswer(request.flags);
              int answer = answers_.front();
              answers_.pop_front();
              return answer;
          }) {}

    void Answer(int button) { answers_.push_back(button); }
    const std::vector<MessageBoxRequest>& shown() const { return shown_; }

private:
    std::deque<int> answers_;
    std::vector<MessageBoxRequest> shown_;
    ScopedMessageBoxHook scope_;
};
