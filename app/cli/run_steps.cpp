#include "run_steps.h"

#include <QTextStream>
#include <algorithm>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "device/option_lookup.h"
#include "frame_trace.h"
#include "interrupt_notifier.h"
#include "terminal_start_key.h"

namespace qrkcli {

namespace {

int refuse(const RunArguments& run, const QString& message) {
  return usageError({run.command}, message);
}

std::optional<int> applyOptionAssignments(qrk::Programmer& p, const RunArguments& run) {
  for (const QString& assignment : run.optionAssignments) {
    const qsizetype equals = assignment.indexOf('=');
    if (equals <= 0) return refuse(run, "--option takes ROW=CHOICE, not '" + assignment + "'");
    std::string error;
    if (!qrk::setOption(p.options(), p.model().mapKind, assignment.left(equals).toStdString(),
                        assignment.mid(equals + 1).toStdString(), &error)) {
      return refuse(run, QString::fromStdString(error));
    }
  }
  return std::nullopt;
}

bool runsVerifyId(const qrk::Programmer& p, const RunArguments& run) {
  if (run.function == "Verify_ID") return true;
  if (run.function != "Auto") return false;
  const std::vector<std::string> list = p.functionList().names();
  return std::find(list.begin(), list.end(), "Verify_ID") != list.end();
}

// A kind-0 chip reports no ID of its own, and the window compares it with the
// previous model's: on a command line that is whatever model happened to be
// saved, so here a kind-0 model is compared only with the ID the user gives.
std::optional<int> applyExpectedId(qrk::Programmer& p, const RunArguments& run) {
  const QString model = QString::fromStdString(p.model().name);
  if (p.model().mapKind != 0) {
    if (run.expectId.empty()) return std::nullopt;
    return refuse(run, "--expect-id goes with models that report no ID of their own; " + model +
                           " reports " + QString::fromStdString(p.model().expectedId));
  }
  p.model().expectedId = run.expectId;
  if (run.expectId.empty() && runsVerifyId(p, run)) {
    return refuse(run, model +
                           " reports no ID of its own: give --expect-id HEX4 for Verify_ID to "
                           "compare the chip's ID with");
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> applyRunChoices(qrk::Programmer& p, const RunArguments& run, CliHost& host) {
  if (run.list) p.functionList().setForRun(*run.list);
  if (run.delaySeconds && !p.production().setDelaySeconds(*run.delaySeconds)) {
    return refuse(run, "--delay takes a whole number of seconds from 2 to 9");
  }
  if (!run.model.empty()) p.selectModel(run.model);
  if (!p.model().selected) return refuse(run, "no model is selected: give --model NAME");
  if (auto refused = applyExpectedId(p, run)) return refused;
  if (run.ispSpace) {
    std::string error;
    if (!p.setIspSpace(run.ispSpace->toStdString(), &error)) {
      return refuse(run, QString::fromStdString(error));
    }
  }
  if (auto refused = applyOptionAssignments(p, run)) return refused;
  // Loaded once the model and ISP Space are known: they decide the memory map.
  if (auto refused = loadRunImage(p, run.image, host, run.command)) return refused;
  if (run.trace) p.link().setTraceSink(traceTo(stderr));
  p.supply().setSwitch(run.fixture.supply);
  p.startGate().setSignal(run.fixture.start);
  return std::nullopt;
}

RunOutcome executeRuns(qrk::QtSession& session, const RunArguments& run, const QString& port,
                       const std::function<void(const qrk::RunResult&)>& onRunEnded) {
  qrk::ProductionLoop& buttons = session.productionLoop();
  session.programmer().setPortName(port.toStdString());
  InterruptNotifier interrupt([&buttons] { buttons.stopClicked(); });
  TerminalStartKey key;
  session.programmer().startGate().setKey(&key);
  RunOutcome outcome;
  if (run.runs == 1 && !run.fixture.start.waits()) {
    outcome.last = buttons.run(run.function);
    outcome.everyRunOk = outcome.last.ok();
    if (onRunEnded) onRunEnded(outcome.last);
  } else {
    bool allOk = true;
    const auto summary = buttons.reRun(run.function, run.runs, [&](const qrk::RunResult& r) {
      outcome.last = r;
      allOk = allOk && r.ok();
      if (onRunEnded) onRunEnded(r);
    });
    // A start signal ends a shift early by design (the start command
    // declined, stdin ended): then every chip that ran must have succeeded.
    outcome.everyRunOk = run.fixture.start.waits()
                             ? allOk && !summary.stopped && summary.refusal.empty()
                             : allOk && summary.allSucceeded() && summary.runs == run.runs;
    if (!summary.refusal.empty()) outcome.last.refusal = summary.refusal;
  }
  session.programmer().startGate().setKey(nullptr);
  outcome.interrupted = interrupt.interrupted();
  return outcome;
}

int reportRuns(qrk::QtSession& session, const RunArguments& run, const QString& port,
               const RunOutcome& outcome) {
  QTextStream err(stderr);
  const qrk::QtSerialPort& serialPort = session.port();
  if (run.trace && outcome.last.portOpened) {
    err << "low latency: "
        << (serialPort.lowLatency()
                ? QString("on")
                : "refused by the driver (" +
                      QString::fromStdString(serialPort.lowLatencyRefusal()) + ")")
        << "\n";
  }
  int status = outcome.everyRunOk ? kExitSuccess : kExitFailed;
  if (outcome.everyRunOk && !run.readBackPath.isEmpty()) {
    QString error;
    if (!writeReadBack(session.programmer().image(), run.readBackPath, &error)) {
      err << run.command << ": cannot write " << run.readBackPath << ": " << error << "\n";
      status = kExitFailed;
    }
  }
  if (!outcome.last.portOpened && !serialPort.lastOpenError().empty()) {
    err << run.command << ": cannot open " << port << ": "
        << QString::fromStdString(serialPort.lastOpenError()) << "\n";
  }
  if (!outcome.last.refusal.empty()) {
    err << run.command << ": " << QString::fromStdString(outcome.last.refusal) << "\n";
    return kExitUsage;
  }
  if (outcome.interrupted) {
    err << run.command << ": stopped by user\n";
    return kExitFailed;
  }
  return status;
}

}  // namespace qrkcli
