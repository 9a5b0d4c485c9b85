#pragma once

#include <string>

#include "platform/host.h"

namespace qrk {

// The message pane: the core writes it, the host shows it. The text is kept
// for the Re-Run countdown, which rewrites the pane's last line; nothing
// decides anything by reading it.
class MessagePane {
 public:
  static constexpr const char* kLineBreak = "\r\n";

  explicit MessagePane(Host& host) : host_(host) {}

  void replace(const std::string& text) {
    text_ = text;
    host_.messageReplaced(text_);
  }
  void append(const std::string& text) {
    if (text.empty()) return;
    text_ += text;
    host_.messageAppended(text);
  }
  void appendLine(const std::string& text) { append(text + kLineBreak); }
  void lineBreak() { append(kLineBreak); }
  const std::string& text() const { return text_; }

 private:
  Host& host_;
  std::string text_;
};

}  // namespace qrk
