#pragma once

#include <string>

namespace qrk {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// What the front end shows for the core: the message pane, progress, modal
// message boxes, the beep and the busy pointer. Texts use CR LF line breaks,
// exactly as the pane holds them; a front end converts if it must.
class Host {
 public:
  virtual ~Host() = default;

  // The message pane: its whole text was replaced, or text was
  // appended at its end. MessagePane keeps the text; the host only shows it.
  virtual void messageReplaced(const std::string& text) = 0;
  virtual void messageAppended(const std::string& text) = 0;

  // The progress bar and its kilobyte caption.
  virtual void setProgressVisible(bool visible) = 0;
  virtual void setProgressRange(int minimum, int maximum) = 0;
  virtual void setProgressValue(int value) = 0;
  virtual void setKbyteText(const std::string& text) = 0;

  // A modal message box; with no user to ask, a host answers No (or Ok).
  virtual MessageAnswer messageBox(const std::string& text, const std::string& title,
                                   MessageButtons buttons) = 0;
  virtual void beep() = 0;
  virtual void setBusy(bool busy) = 0;

  // A named step of a run began or ended: "Connect" (opening the port and
  // the handshake), then the function run, and within Auto each function of
  // the list, so steps nest. For front ends that follow a run without
  // reading the pane; the window shows nothing for them.
  virtual void phaseStarted(const std::string& /*name*/) {}
  virtual void phaseEnded(const std::string& /*name*/, bool /*ok*/) {}
};

// A host that shows nothing; a base for tests and batch front ends that only
// care about a few of the calls.
class NullHost : public Host {
 public:
  void messageReplaced(const std::string&) override {}
  void messageAppended(const std::string&) override {}
  void setProgressVisible(bool) override {}
  void setProgressRange(int, int) override {}
  void setProgressValue(int) override {}
  void setKbyteText(const std::string&) override {}
  MessageAnswer messageBox(const std::string&, const std::string&,
                           MessageButtons buttons) override {
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
  }
  void beep() override {}
  void setBusy(bool) override {}
};

}  // namespace qrk
