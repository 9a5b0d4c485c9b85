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
#include "ops/blank_skip.h"
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
  // The window's box does not reach a script: the option is this run's alone.
  p.production().skipBlank = run.skipBlank;
  const std::string_view notUsed = qrk::blankSkipNotUsedText(qrk::BlankSkip::planned(
      run.skipBlank, p.loadChoices().fillByte, run.function, p.functionList().names()));
  if (!notUsed.empty()) p.pane().appendLine(std::string(notUsed));
  if (run.trace) p.link().setTraceSink(traceTo(stderr));
  p.supply().setSwitch(run.fixture.supply);
  p.startGate().setSignal(run.fixture.start);
  return std::nullopt;
}

bool runStoppable(qrk::QtSession& session, const QString& port, const std::function<void()>& work) {
  qrk::ProductionLoop& productionLoop = session.productionLoop();
  session.programmer().setPortName(port.toStdString());
  const InterruptNotifier interrupt([&productionLoop] { productionLoop.stopClicked(); });
  work();
  return interrupt.interrupted();
}

RunOutcome runTimes(
    qrk::QtSession& session, const QString& port, int runs,
    const std::function<qrk::RunResult()>& once,
    const std::function<qrk::ProductionLoop::Summary(int, const RunEnded&)>& repeated,
    const RunEnded& onRunEnded) {
  RunOutcome outcome;
  outcome.interrupted = runStoppable(session, port, [&] {
    if (runs == 1) {
      outcome.last = once();
      outcome.everyRunOk = outcome.last.ok();
      if (onRunEnded) onRunEnded(outcome.last);
      return;
    }
    bool allOk = true;
    const auto summary = repeated(runs, [&](const qrk::RunResult& r) {
      outcome.last = r;
      allOk = allOk && r.ok();
      if (onRunEnded) onRunEnded(r);
    });
    outcome.everyRunOk = allOk && summary.allSucceeded() && summary.runs == runs;
    if (!summary.refusal.empty()) outcome.last.refusal = summary.refusal;
  });
  return outcome;
}

RunOutcome executeRuns(qrk::QtSession& session, const RunArguments& run, const QString& port,
                       const RunEnded& onRunEnded) {
  qrk::ProductionLoop& productionLoop = session.productionLoop();
  TerminalStartKey key;
  session.programmer().startGate().setKey(&key);
  RunOutcome outcome;
  if (!run.fixture.start.waits()) {
    outcome = runTimes(
        session, port, run.runs, [&] { return productionLoop.run(run.function); },
        [&](int maxRuns, const RunEnded& ended) {
          return productionLoop.reRun(run.function, maxRuns, ended);
        },
        onRunEnded);
  } else {
    // Every chip waits for its start, even the only one. A start signal ends
    // a shift early by design (the start command declined, stdin ended):
    // then every chip that ran must have succeeded.
    outcome.interrupted = runStoppable(session, port, [&] {
      bool allOk = true;
      const auto summary =
          productionLoop.reRun(run.function, run.runs, [&](const qrk::RunResult& r) {
            outcome.last = r;
            allOk = allOk && r.ok();
            if (onRunEnded) onRunEnded(r);
          });
      outcome.everyRunOk = allOk && !summary.stopped && summary.refusal.empty();
      if (!summary.refusal.empty()) outcome.last.refusal = summary.refusal;
    });
  }
  session.programmer().startGate().setKey(nullptr);
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
  if (!outcome.last.refusal.empty()) {
    err << run.command << ": " << QString::fromStdString(outcome.last.refusal) << "\n";
    err.flush();
    // The port cannot do what the fixture asks: a wrong invocation, told
    // before the chip was touched.
    return kExitUsage;
  }
  err.flush();
  return reportPortEnd(session, run.command, port, outcome.last.portOpened, outcome.interrupted,
                       status);
}

int reportPortEnd(const qrk::QtSession& session, const QString& command, const QString& port,
                  bool portOpened, bool interrupted, int status) {
  QTextStream err(stderr);
  const std::string& openError = session.port().lastOpenError();
  if (!portOpened && !openError.empty()) {
    err << command << ": cannot open " << port << ": " << QString::fromStdString(openError) << "\n";
  }
  if (interrupted) {
    err << command << ": stopped by user\n";
    return kExitFailed;
  }
  return status;
}

bool syncSettings(qrk::QtSession& session, const QString& command) {
  std::string error;
  if (session.syncSettings(&error)) return true;
  QTextStream(stderr) << command << ": settings not saved: " << QString::fromStdString(error)
                      << "\n";
  return false;
}

}  // namespace qrkcli
