#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <cstdio>
#include <string>
#include <vector>

#include "ops/programmer.h"
#include "platform/host.h"

namespace qrkcli {

// `--events json`: what a run shows, as one JSON object per line for a line
// system or another front end, so that nobody has to scrape the pane's text.
// Every object carries "v" (the schema version), "event" and "ms" (since the
// stream began); the README lists the events and their fields.
//
// The stream is the run's host: pane lines, progress and the steps of the run
// become events. Message boxes and the beep still go to `dialogs`, which
// answers the boxes (the --yes of the command line).
class EventStream : public qrk::Host {
 public:
  // 2: "reason" became a code ("no-answer", ...) with the line in "text".
  static constexpr int kSchemaVersion = 2;
  // Writes `event` with the schema version as one line, at once.
  static void writeLine(std::FILE* out, QJsonObject event);

  // Progress events come at most every `progressEveryMs`, besides each step's
  // first and last; 0 leaves them out.
  EventStream(std::FILE* out, qrk::Host& dialogs, std::string port, std::string function,
              int progressEveryMs);

  void messageReplaced(const std::string& text) override;
  void messageAppended(const std::string& text) override;
  void setProgressVisible(bool visible) override;
  void setProgressRange(int minimum, int maximum) override;
  void setProgressValue(int value) override;
  void setKbyteText(const std::string&) override {}
  qrk::MessageAnswer messageBox(const std::string& text, const std::string& title,
                                qrk::MessageButtons buttons) override;
  void beep() override { dialogs_.beep(); }
  void setBusy(bool busy) override { dialogs_.setBusy(busy); }
  void phaseStarted(const std::string& name) override;
  void phaseEnded(const std::string& name, bool ok) override;

  // The run that began with the last "Connect" step has ended.
  void runEnded(const qrk::RunResult& result);
  // The command ends with `exitCode`; the last event of the stream. A failed
  // command's "reason" is `reason` when it failed for one of its own (the
  // record could not be written, bad usage), else its last failed run's.
  void finished(int exitCode, const qrk::Status& reason = {});

 private:
  void writeEvent(const char* event, QJsonObject fields = {});
  void takePaneText(const std::string& text);
  void emitLine(std::string line);
  void emitProgress(long long bytes);
  void flushProgress();

  std::FILE* out_;
  qrk::Host& dialogs_;
  std::string port_;
  std::string function_;
  QElapsedTimer clock_;

  int runs_ = 0;
  int succeeded_ = 0;
  bool inRun_ = false;
  std::vector<std::string> phases_;  // innermost last

  std::string shown_;        // the pane's text as the core holds it
  std::string partial_;      // its last line, not yet ended
  qrk::Status lastFailure_;  // the last failed run's

  bool progressVisible_ = false;
  int progressMinimum_ = 0;
  int progressMaximum_ = 0;
  long long lastBytes_ = -1;     // the last progress written
  long long pendingBytes_ = -1;  // the bar's latest, perhaps not yet written
  qint64 lastProgressMs_ = 0;
  qint64 progressEveryMs_;
};

}  // namespace qrkcli
