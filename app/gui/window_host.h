#pragma once

#include <QPointer>
#include <functional>
#include <string>

#include "platform/host.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QWidget;

namespace qrkgui {

// What the core shows, on the window's widgets: the message pane `textMsg`,
// `ProgressBar1` with `labKbyte`, modal message boxes, the beep and the busy
// pointer. It exists before the widgets do (the programmer is built with it);
// the window and its pages attach theirs as they stand up.
class WindowHost : public qrk::Host {
 public:
  static constexpr const char* kBoxTitle = "QRK MCU Programmer";

  // A part of the window hands its widgets over as it stands up and takes
  // them back (nullptr) as it goes.
  void attachWindow(QWidget* window);
  void attachPane(QPlainTextEdit* pane);
  void attachProgress(QProgressBar* bar, QLabel* kbyte);

  void messageReplaced(const std::string& text) override;
  void messageAppended(const std::string& text) override;
  void setProgressVisible(bool visible) override;
  void setProgressRange(int minimum, int maximum) override;
  void setProgressValue(int value) override;
  void setKbyteText(const std::string& text) override;
  qrk::MessageAnswer messageBox(const std::string& text, const std::string& title,
                                qrk::MessageButtons buttons) override;
  void beep() override;
  void setBusy(bool busy) override;

  int beeps() const { return beeps_; }
  // Called after the pane was replaced: a run starts or a countdown steps.
  void setOnPaneReplaced(std::function<void()> onReplaced) { onReplaced_ = std::move(onReplaced); }

 private:
  void showAtEnd(const QString& text);

  QPointer<QWidget> window_;
  QPointer<QPlainTextEdit> pane_;
  QPointer<QProgressBar> bar_;
  QPointer<QLabel> kbyte_;
  // The pane's last character was a CR: an LF that follows ends the same line.
  bool pendingCarriageReturn_ = false;
  int busyDepth_ = 0;
  std::function<void()> onReplaced_;
  int beeps_ = 0;
};

// The pane's CR LF line breaks as the widget shows them (LF); a lone CR also
// breaks the line.
QString paneDisplayText(const std::string& text);

}  // namespace qrkgui
