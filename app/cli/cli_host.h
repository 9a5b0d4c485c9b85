#pragma once

#include <cstdio>
#include <string>

#include "platform/host.h"

namespace qrkcli {

// The command line's window: the message pane goes to `out` line by line with
// LF line ends, message boxes to `err` (with an English line where the window
// has none), and a progress bar to `err` only when it is a terminal (a script
// reading stderr gets no bar noise).
class CliHost : public qrk::Host {
 public:
  CliHost(std::FILE* out, std::FILE* err);

  void messageReplaced(const std::string& text) override;
  void messageAppended(const std::string& text) override;
  void setProgressVisible(bool visible) override;
  void setProgressRange(int minimum, int maximum) override;
  void setProgressValue(int value) override;
  void setKbyteText(const std::string& text) override;
  qrk::MessageAnswer messageBox(const std::string& text, const std::string& title,
                                qrk::MessageButtons buttons) override;
  void beep() override;
  void setBusy(bool) override {}

  // Answer Yes to every Yes/No question (--yes). Without it a question is
  // asked on a terminal (y/N) and answered No where none is.
  void setAssumeYes(bool yes) { assumeYes_ = yes; }
  // Ends the pane's last line, so that the output is whole lines.
  void finish();

 private:
  void writePane(const std::string& text);
  void drawProgress();
  // A Yes/No question on the terminal; anything but y or yes is No.
  qrk::MessageAnswer askYesNo();
  void clearProgressLine();

  std::FILE* out_;
  std::FILE* err_;
  bool errIsTerminal_;
  bool outIsTerminal_;
  bool sharedScreen_;  // the pane and the bar show on one terminal
  bool assumeYes_ = false;
  bool paneAtLineStart_ = true;
  bool pendingCarriageReturn_ = false;
  bool progressVisible_ = false;
  bool progressDrawn_ = false;
  bool barBelowPane_ = false;  // the bar stands on the line below paneLine_
  int progressMinimum_ = 0;
  int progressMaximum_ = 100;
  int progressValue_ = 0;
  std::string kbyteText_;
  std::string shown_;     // the pane's text as the core holds it
  std::string paneLine_;  // what the pane printed of its line not yet ended
};

// Text with CR LF (and lone CR) line breaks turned into LF.
std::string toLfLineBreaks(const std::string& text);

}  // namespace qrkcli
