#include "event_stream.h"

#include <QDateTime>
#include <QJsonDocument>
#include <algorithm>

#include "cli_host.h"
#include "ops/functions.h"
#include "ops/run_engine.h"

namespace qrkcli {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

// The "status" number the first schema gave: 0 success, -2 a definite answer
// from the chip (wrong ID, not blank, mismatch), -1 any other failure.
constexpr int kStatusOk = 0;
constexpr int kStatusFailed = -1;
constexpr int kStatusVerdict = -2;

int statusNumber(const qrk::Status& status) {
  if (status.ok()) return kStatusOk;
  return status.isVerdict() ? kStatusVerdict : kStatusFailed;
}

// "reason" (the code), "text" and the details a failure has.
void insertFailure(QJsonObject& fields, const qrk::Status& status) {
  fields.insert("reason", text(std::string(qrk::reasonCode(status.reason))));
  if (!status.text.empty()) fields.insert("text", text(status.text));
  if (status.address) fields.insert("address", *status.address);
  if (status.expected) fields.insert("expected", static_cast<qint64>(*status.expected));
  if (status.actual) fields.insert("actual", static_cast<qint64>(*status.actual));
  if (!status.idRead.empty()) fields.insert("id", text(status.idRead));
}

}  // namespace

EventStream::EventStream(std::FILE* out, qrk::Host& dialogs, std::string port, std::string function,
                         int progressEveryMs)
    : out_(out),
      dialogs_(dialogs),
      port_(std::move(port)),
      function_(std::move(function)),
      progressEveryMs_(progressEveryMs) {
  clock_.start();
}

void EventStream::writeLine(std::FILE* out, QJsonObject event) {
  event.insert("v", kSchemaVersion);
  const QByteArray line = QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out);
  std::fflush(out);
}

void EventStream::writeEvent(const char* event, QJsonObject fields) {
  fields.insert("event", event);
  fields.insert("ms", clock_.elapsed());
  if (runs_ > 0 && !fields.contains("runs")) fields.insert("run", runs_);
  writeLine(out_, fields);
}

void EventStream::messageReplaced(const std::string& newText) {
  // The same rule as the terminal's pane: a text that keeps the shown one
  // adds to it; one that keeps all but its unfinished last line rewrites
  // that line (the Re-Run countdown); any other is a new pane.
  if (!shown_.empty() && newText.starts_with(shown_)) {
    const std::string added = newText.substr(shown_.size());
    shown_ = newText;
    takePaneText(added);
    return;
  }
  std::size_t kept = 0;
  if (const auto lastBreak = shown_.find_last_of("\r\n");
      lastBreak != std::string::npos && newText.size() > lastBreak &&
      newText.compare(0, lastBreak + 1, shown_, 0, lastBreak + 1) == 0) {
    kept = lastBreak + 1;
  }
  partial_.clear();
  shown_ = newText;
  takePaneText(newText.substr(kept));
}

void EventStream::messageAppended(const std::string& added) {
  shown_ += added;
  takePaneText(added);
}

void EventStream::takePaneText(const std::string& added) {
  partial_ += added;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = partial_.find_first_of("\r\n", start);
    if (end == std::string::npos) break;
    // A CR at the very end may be the first half of a CR LF still to come.
    if (partial_[end] == '\r' && end + 1 == partial_.size()) break;
    emitLine(partial_.substr(start, end - start));
    start = end + (partial_.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  partial_.erase(0, start);
}

void EventStream::emitLine(std::string line) {
  if (line.empty()) return;
  writeEvent("message", {{"text", text(line)}});
}

void EventStream::setProgressVisible(bool visible) {
  if (!visible) flushProgress();
  progressVisible_ = visible;
  if (visible) lastBytes_ = pendingBytes_ = -1;
}

void EventStream::setProgressRange(int minimum, int maximum) {
  flushProgress();
  progressMinimum_ = minimum;
  progressMaximum_ = std::max(minimum, maximum);
  lastBytes_ = pendingBytes_ = -1;
}

void EventStream::setProgressValue(int value) {
  if (!progressVisible_ || progressEveryMs_ == 0) return;
  // The bar counts addresses; the bytes done are those up to the value.
  const long long total = static_cast<long long>(progressMaximum_) - progressMinimum_ + 1;
  const long long bytes =
      std::clamp<long long>(static_cast<long long>(value) - progressMinimum_ + 1, 0, total);
  if (bytes == lastBytes_) return;
  pendingBytes_ = bytes;
  // The bar moves once a frame; an event each time woke the reader (a gang's
  // parent: eight times over) as often as the chip did. The first and the
  // last of a step are never held back.
  if (lastBytes_ < 0 || bytes == total || clock_.elapsed() - lastProgressMs_ >= progressEveryMs_)
    emitProgress(bytes);
}

void EventStream::flushProgress() {
  if (pendingBytes_ >= 0 && pendingBytes_ != lastBytes_) emitProgress(pendingBytes_);
}

void EventStream::emitProgress(long long bytes) {
  lastBytes_ = pendingBytes_ = bytes;
  lastProgressMs_ = clock_.elapsed();
  QJsonObject fields{{"bytes", bytes},
                     {"total", static_cast<long long>(progressMaximum_) - progressMinimum_ + 1}};
  if (!phases_.empty()) fields.insert("phase", text(phases_.back()));
  writeEvent("progress", fields);
}

qrk::MessageAnswer EventStream::messageBox(const std::string& boxText, const std::string& title,
                                           qrk::MessageButtons buttons) {
  const std::string lines = toLfLineBreaks(boxText);
  writeEvent("dialog", {{"text", text(lines)}, {"title", text(title)}});
  return dialogs_.messageBox(boxText, title, buttons);
}

void EventStream::phaseStarted(const std::string& name) {
  if (name == qrk::kConnectPhase) {
    // Every run opens with this step.
    ++runs_;
    phases_.clear();
    writeEvent("run-started",
               {{"port", text(port_)},
                {"function", text(function_)},
                {"time", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)}});
  }
  phases_.push_back(name);
  writeEvent("phase-started", {{"phase", text(name)}});
}

void EventStream::phaseEnded(const std::string& name, bool ok) {
  // A step that succeeded went over its whole range, even where the bar's
  // last step stopped short of it.
  const long long total = static_cast<long long>(progressMaximum_) - progressMinimum_ + 1;
  if (ok && lastBytes_ >= 0 && lastBytes_ < total) {
    emitProgress(total);
  } else if (!ok) {
    flushProgress();  // how far a failed step got
  }
  if (const auto it = std::find(phases_.rbegin(), phases_.rend(), name); it != phases_.rend()) {
    phases_.erase(std::next(it).base(), phases_.end());
  }
  writeEvent("phase-ended", {{"phase", text(name)}, {"ok", ok}});
}

void EventStream::runEnded(const qrk::RunResult& result) {
  if (!partial_.empty()) {
    emitLine(partial_);
    partial_.clear();
  }
  QJsonObject fields{{"ok", result.ok()},
                     {"stopped", result.stopped},
                     {"connected", result.connected},
                     {"status", statusNumber(result.status)}};
  if (result.ok()) {
    ++succeeded_;
  } else {
    fields.insert("phase", text(result.step ? std::string(qrk::functionName(*result.step))
                                            : std::string(qrk::kConnectPhase)));
    insertFailure(fields, result.status);
    lastFailure_ = result.status;
  }
  phases_.clear();
  writeEvent("run-ended", fields);
}

void EventStream::finished(int exitCode, const qrk::Status& reason) {
  if (!partial_.empty()) {
    emitLine(partial_);
    partial_.clear();
  }
  QJsonObject fields{
      {"exit", exitCode}, {"ok", exitCode == 0}, {"runs", runs_}, {"succeeded", succeeded_}};
  if (exitCode != 0) {
    // What the command itself knows outranks the last chip's failure; a
    // command that failed for no reason of its own failed with its last chip.
    insertFailure(fields, !reason.ok()         ? reason
                          : !lastFailure_.ok() ? lastFailure_
                                               : qrk::Status::failure(qrk::Reason::Usage));
  }
  writeEvent("result", fields);
}

}  // namespace qrkcli
