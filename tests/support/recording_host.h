#pragma once

#include <string>
#include <vector>

#include "platform/host.h"

namespace qrk::test {

// A host that remembers what it was asked to show and answers message boxes
// from a queue (No / Ok when the queue is empty).
class RecordingHost : public NullHost {
 public:
  MessageAnswer messageBox(const std::string& text, const std::string&,
                           MessageButtons buttons) override {
    boxes.push_back(text);
    if (!answers.empty()) {
      const MessageAnswer a = answers.front();
      answers.erase(answers.begin());
      return a;
    }
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
  }
  void beep() override { ++beeps; }
  void setKbyteText(const std::string& text) override { kbyte.push_back(text); }
  void setBusy(bool on) override { busy = on; }

  std::vector<std::string> boxes;
  std::vector<MessageAnswer> answers;
  std::vector<std::string> kbyte;
  int beeps = 0;
  bool busy = false;
};

}  // namespace qrk::test
