#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/host.h"

namespace qrk::test {

// Remembers every message box and answers from a queue (No, or Ok for an
// OK-only box, once the queue is empty), as a user who never agrees would.
class BoxRecorder : public NullHost {
 public:
  MessageAnswer messageBox(const std::string& text, const std::string&,
                           MessageButtons buttons) override {
    boxes.push_back(text);
    if (!answers.empty()) {
      const MessageAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
  }

  std::vector<std::string> boxes;
  std::deque<MessageAnswer> answers;
};

}  // namespace qrk::test
