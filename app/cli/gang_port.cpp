#include "gang_port.h"

#include <QJsonDocument>

#include "commands.h"
#include "process_os.h"

namespace qrkcli {

GangPort::GangPort(QString name, QString device, Listener listener)
    : listener_(std::move(listener)) {
  state_.name = std::move(name);
  state_.device = std::move(device);
  QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { readEvents(); });
  QObject::connect(&process_, &QProcess::readyReadStandardError, [this] { readErrors(); });
  QObject::connect(&process_, &QProcess::finished,
                   [this](int code, QProcess::ExitStatus status) { onFinished(code, status); });
  QObject::connect(&process_, &QProcess::errorOccurred, [this](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    state_.errorLines << "cannot start " + process_.program() + ": " + process_.errorString();
    onFinished(kExitFailed, QProcess::CrashExit);
  });
}

void GangPort::start(const QString& program, const QStringList& arguments) {
  startInOwnGroup(process_, program, arguments);
}

void GangPort::interrupt() { interruptChild(process_); }

void GangPort::readEvents() {
  events_ += process_.readAllStandardOutput();
  qsizetype end = 0;
  while ((end = events_.indexOf('\n')) >= 0) {
    const QByteArray line = events_.left(end);
    events_.remove(0, end + 1);
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (document.isObject()) {
      takeEvent(document.object());
    } else if (!line.trimmed().isEmpty()) {
      state_.errorLines << "not an event: " + QString::fromUtf8(line);
    }
  }
}

void GangPort::readErrors() {
  errors_ += process_.readAllStandardError();
  qsizetype end = 0;
  while ((end = errors_.indexOf('\n')) >= 0) {
    const QString line = QString::fromUtf8(errors_.left(end));
    errors_.remove(0, end + 1);
    if (state_.errorLines.size() < 20) state_.errorLines << line;
    if (listener_.errorLine) listener_.errorLine(*this, line);
  }
}

void GangPort::takeEvent(const QJsonObject& event) {
  const QString kind = event.value("event").toString();
  if (kind == "phase-started") {
    state_.phase = event.value("phase").toString();
    state_.bytes = state_.total = 0;
  } else if (kind == "progress") {
    state_.bytes = event.value("bytes").toInteger();
    state_.total = event.value("total").toInteger();
  } else if (kind == "run-ended") {
    ++state_.chips;
    if (event.value("ok").toBool()) {
      ++state_.succeeded;
      state_.lastResult = "OK";
    } else if (event.value("stopped").toBool()) {
      state_.lastResult = "stopped";
    } else {
      state_.lastResult =
          "FAILED in " + event.value("phase").toString() + ": " + event.value("text").toString();
    }
    if (state_.lastResult != "OK") {
      state_.failedChips << QString("chip %1: %2").arg(state_.chips).arg(state_.lastResult);
      if (state_.firstFailure.isEmpty()) {
        state_.firstFailure = state_.failedChips.last();
        state_.failureCode = event.value("reason").toString();
      }
    }
    state_.phase.clear();
  } else if (kind == "result") {
    sawResult_ = true;
    if (state_.failureCode.isEmpty()) state_.failureCode = event.value("reason").toString();
  }
  if (listener_.event) listener_.event(*this, event);
  if (kind == "run-ended" && listener_.chipEnded) listener_.chipEnded(*this);
  if (listener_.changed) listener_.changed(*this);
}

void GangPort::onFinished(int exitCode, QProcess::ExitStatus status) {
  if (state_.finished) return;
  readEvents();
  readErrors();
  if (!errors_.isEmpty()) {
    state_.errorLines << QString::fromUtf8(errors_);
    if (listener_.errorLine) listener_.errorLine(*this, QString::fromUtf8(errors_));
    errors_.clear();
  }
  state_.finished = true;
  state_.exitCode = status == QProcess::NormalExit ? exitCode : kExitFailed;
  if (state_.exitCode != kExitSuccess && state_.firstFailure.isEmpty()) {
    // No chip failed, yet the run did: the reason is on its stderr.
    state_.firstFailure =
        state_.errorLines.isEmpty()
            ? (sawResult_ ? QString("stopped") : QString("the run ended without a result"))
            : state_.errorLines.last();
  }
  state_.phase.clear();
  if (listener_.changed) listener_.changed(*this);
  if (listener_.finished) listener_.finished(*this);
}

}  // namespace qrkcli
