#include "run_steps.h"

#include <QFileInfo>
#include <QTextStream>
#include <algorithm>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "device/mcu_model.h"
#include "device/option_lookup.h"
#include "frame_trace.h"
#include "interrupt_notifier.h"
#include "ops/blank_skip.h"
#include "qt/port_directory.h"
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

// In memory only, as every choice of a run: the settings keep the window's
// field, and only the next value that the run advances is saved.
void applySerialField(qrk::AutoIncrement& serial, const SerialFieldChoices& field) {
  if (field.address) serial.setAddressText(*field.address);
  if (field.bytes) serial.setLengthText(*field.bytes);
  if (field.next) serial.setNextValueText(*field.next);
  if (field.step) serial.setIncrementText(*field.step);
  if (field.format) serial.setFormat(static_cast<qrk::SerialFormat>(*field.format));
}

bool runsVerifyId(const qrk::Programmer& p, const RunArguments& run) {
  if (run.function == qrk::FunctionId::VerifyId) return true;
  if (run.function != qrk::FunctionId::Auto) return false;
  const std::vector<std::string> list = p.functionList().names();
  return std::find(list.begin(), list.end(), "Verify_ID") != list.end();
}

// A kind-0 chip reports no ID of its own, and the window compares it with the
// previous model's: on a command line that is whatever model happened to be
// saved, so here a kind-0 model is compared only with the ID the user gives.
std::optional<int> applyExpectedId(qrk::Programmer& p, const RunArguments& run) {
  const QString model = QString::fromStdString(p.model().name);
  if (p.model().mapKind != qrk::MapKind::FixedIspBlock) {
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

// The steps of this run that work on the loaded image.
std::vector<std::string> imageSteps(const qrk::Programmer& p, const RunArguments& run) {
  const std::vector<std::string> steps = run.function == qrk::FunctionId::Auto
                                             ? p.functionList().names()
                                             : std::vector{std::string(functionName(run.function))};
  std::vector<std::string> found;
  for (const std::string& step : steps) {
    if (step == "Program" || step == "Verify") found.push_back(step);
  }
  return found;
}

// Why `path` cannot take the read-back file, or empty when it can.
QString whyNotWritable(const QString& path) {
  const QFileInfo file(path);
  if (file.isDir()) return "'" + path + "' is a folder";
  const QFileInfo folder(file.absolutePath());
  if (!folder.isDir()) return "the folder '" + folder.filePath() + "' does not exist";
  if (!folder.isWritable()) return "the folder '" + folder.filePath() + "' cannot be written";
  if (file.exists() && !file.isWritable()) return "'" + path + "' cannot be written";
  return {};
}

// The pane says which family the chip's ID belongs to, never which model was
// chosen: when they differ, both, so that the user sees which --model to give.
QString wrongModelNote(const qrk::Programmer& p) {
  const std::string& id = p.chip().idRead;
  const std::string& expected = p.model().expectedId;
  // A kind-0 chip is compared with --expect-id, which the user chose.
  if (p.model().mapKind == qrk::MapKind::FixedIspBlock || id.empty() || expected.empty() ||
      id == expected)
    return {};
  QStringList owners;
  for (const qrk::McuModel& model : qrk::mcuCatalogue()) {
    if (model.expectedId == id) owners << QString::fromUtf8(model.name.data(), model.name.size());
  }
  const QString selected = QString::fromStdString(p.model().name);
  return "the model selected is " + selected + " (ID " + QString::fromStdString(expected) +
         "), but the chip's ID " + QString::fromStdString(id) +
         (owners.isEmpty()
              ? QString(" belongs to no model this programmer knows")
              : " belongs to " + owners.join(" or ") + ": give --model " + owners.first());
}

}  // namespace

std::optional<QString> devicePathOf(const QString& port, QString* error) {
  std::string path = port.toStdString(), reason;
  if (qrk::needsPortDirectory(path) && !qrk::resolvePortName(port.toStdString(), &path, &reason)) {
    *error = "--port " + port + ": " + QString::fromStdString(reason);
    return std::nullopt;
  }
  const QString device = QString::fromStdString(path);
  if (!QFileInfo::exists(device)) {
    *error = "--port " + port + ": no such device ('qrkprog ports' lists the serial ports)";
    return std::nullopt;
  }
  return device;
}

QString openFailureAdvice(const std::string& reason) {
  if (reason.find("Permission denied") != std::string::npos) {
    return "this user may not use serial ports: add it to the dialout group with "
           "'sudo usermod -aG dialout $USER', then log out and in again";
  }
  if (reason.find("locking") != std::string::npos || reason.find("busy") != std::string::npos) {
    return "another program holds the port (a terminal program, the window or another "
           "qrkprog): close it, then run again";
  }
  return {};
}

std::optional<int> checkRunNeeds(const qrk::Programmer& p, const RunArguments& run) {
  if (run.image.path.isEmpty()) {
    const std::vector<std::string> steps = imageSteps(p, run);
    if (!steps.empty()) {
      const QString what = run.function == qrk::FunctionId::Auto
                               ? "Auto's function list holds " + QString::fromStdString(steps[0])
                               : QString::fromStdString(steps[0]);
      return refuse(run, what + ", which needs the image: give --file PATH");
    }
  }
  if (!run.readBackPath.isEmpty()) {
    const QString reason = whyNotWritable(run.readBackPath);
    if (!reason.isEmpty()) {
      return refuse(run, "--out " + run.readBackPath + ": " + reason +
                             "; nothing was read, choose a path that can be written");
    }
  }
  return std::nullopt;
}

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
  applySerialField(p.autoIncrement(), run.serialField);
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
  bool anyStopped = false;
  const auto ended = [&](const qrk::RunResult& r) {
    outcome.last = r;
    ++outcome.runs;
    if (r.ok()) ++outcome.succeeded;
    anyStopped = anyStopped || r.stopped;
    if (r.refused) outcome.refusal = r.status;
    if (onRunEnded) onRunEnded(r);
  };
  bool endedByStartSignal = false;
  TerminalStartKey key;
  qrk::StartGate& startGate = session.programmer().startGate();
  startGate.setKey(&key);
  // Every chip waits for its start signal, even the only one: the loop runs
  // a single chip too then.
  const bool waitsForStart = startGate.signal().waits();
  outcome.interrupted = runStoppable(session, port, [&] {
    if (runs == 1 && !waitsForStart) {
      ended(once());
      return;
    }
    const qrk::ProductionLoop::Summary summary = repeated(runs, ended);
    if (summary.refusal) outcome.refusal = summary.refusal;
    endedByStartSignal = summary.endedByStartSignal;
  });
  startGate.setKey(nullptr);
  outcome.endedBetweenChips = outcome.interrupted && !anyStopped && outcome.runs > 0;
  // A start signal that ends the shift early (the start command declined,
  // stdin ended) is the line's own decision: the chips that ran decide.
  if (endedByStartSignal) {
    outcome.everyRunOk = outcome.succeeded == outcome.runs;
    return outcome;
  }
  const bool allRan = outcome.runs == runs || outcome.endedBetweenChips;
  outcome.everyRunOk = allRan && outcome.runs > 0 && outcome.succeeded == outcome.runs;
  return outcome;
}

RunOutcome executeRuns(qrk::QtSession& session, const RunArguments& run, const QString& port,
                       const RunEnded& onRunEnded) {
  qrk::ProductionLoop& productionLoop = session.productionLoop();
  return runTimes(
      session, port, run.runs, [&] { return productionLoop.run(run.function); },
      [&](int maxRuns, const RunEnded& ended) {
        return productionLoop.reRun(run.function, maxRuns, ended);
      },
      onRunEnded);
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
  if (outcome.refusal) {
    err << run.command << ": " << QString::fromStdString(outcome.refusal->text) << "\n";
    err.flush();
    // The port cannot do what the fixture asks: a wrong invocation, told
    // before the chip was touched.
    return kExitUsage;
  }
  const QString wrongModel = wrongModelNote(session.programmer());
  if (!wrongModel.isEmpty()) err << run.command << ": " << wrongModel << "\n";
  if (outcome.endedBetweenChips) {
    err << run.command << ": stopped by user between chips: " << outcome.succeeded << " of "
        << outcome.runs << " chips OK\n";
  }
  err.flush();
  return reportPortEnd(session, run.command, port, outcome.last.portOpened,
                       outcome.interrupted && !outcome.endedBetweenChips, status);
}

int reportPortEnd(const qrk::QtSession& session, const QString& command, const QString& port,
                  bool portOpened, bool interrupted, int status) {
  QTextStream err(stderr);
  const std::string& openError = session.port().lastOpenError();
  if (!portOpened && !openError.empty()) {
    err << command << ": cannot open " << port << ": " << QString::fromStdString(openError) << "\n";
    const QString advice = openFailureAdvice(openError);
    if (!advice.isEmpty()) err << command << ": " << advice << "\n";
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
