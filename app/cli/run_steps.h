#pragma once

#include <functional>
#include <optional>

#include "cli_host.h"
#include "ops/programmer.h"
#include "qt/qt_session.h"
#include "run_arguments.h"

namespace qrkcli {

// The steps of a command-line run between reading the arguments and exiting,
// each usable on its own by a command that runs functions like `run`.

// Applies the run's choices to a programmer that has its saved settings
// loaded: the function list, the Re-Run delay, the model, the ISP Space, the
// option rows, the image and the trace. They stay in memory: a session that
// keeps only run counters keeps them from the window's store. Returns an exit status when the run
// must not start (2, after the reason on stderr).
std::optional<int> applyRunChoices(qrk::Programmer& programmer, const RunArguments& run,
                                   CliHost& host);

// What a run needs that can be checked without the chip: a file for a
// function (or function list) that programs or verifies the image, and an
// --out path that can be written. Returns exit status 2, after the reason on
// stderr, when the run must not start; call it before the port opens.
std::optional<int> checkRunNeeds(const qrk::Programmer& programmer, const RunArguments& run);

// The device that --port names: a path that exists, or the adapter that a
// COM name or usb:SERIAL picks. nullopt with the reason in *error: a port
// that is not there is bad input, told apart from one that cannot be opened.
std::optional<QString> devicePathOf(const QString& port, QString* error);

// What to do about a port that exists but could not be opened, from the
// system's reason; empty when there is no advice to give.
QString openFailureAdvice(const std::string& reason);

// How the runs of one port went.
struct RunOutcome {
  qrk::RunResult last;       // the last run's result
  bool everyRunOk = false;   // every run asked for happened and succeeded
  bool interrupted = false;  // Ctrl-C or SIGTERM stopped them
  // The stop came between two chips (in the countdown), no chip cut short:
  // the runs end there as a shift does, judged by the chips that ran.
  bool endedBetweenChips = false;
  int runs = 0;       // runs that ended
  int succeeded = 0;  // of them, the ones that succeeded
  // Why nothing was sent: the port cannot drive the fixture (exit 2).
  std::optional<qrk::Status> refusal;
};

using RunEnded = std::function<void(const qrk::RunResult&)>;

// Runs `work` on `port` with Ctrl-C (or SIGTERM) acting as the Stop button;
// whether one came.
bool runStoppable(qrk::QtSession& session, const QString& port, const std::function<void()>& work);

// `once` when `runs` is 1 and no start signal is waited for, else `repeated`
// for at most `runs` runs (the Re-Run countdown or the start signal before
// each), on `port` as runStoppable runs it.
RunOutcome runTimes(
    qrk::QtSession& session, const QString& port, int runs,
    const std::function<qrk::RunResult()>& once,
    const std::function<qrk::ProductionLoop::Summary(int, const RunEnded&)>& repeated,
    const RunEnded& onRunEnded = {});

// Runs the function on `port` once, or run.runs times with the Re-Run
// countdown in between, as the Run and Re-Run buttons do. Ctrl-C acts as the
// Stop button. `onRunEnded` sees each run's result as it ends.
RunOutcome executeRuns(qrk::QtSession& session, const RunArguments& run, const QString& port,
                       const RunEnded& onRunEnded = {});

// What follows the runs: the low-latency note of --trace, the read-back file
// of --out, why the port could not open, "stopped by user". Returns the exit
// status the runs earn.
int reportRuns(qrk::QtSession& session, const RunArguments& run, const QString& port,
               const RunOutcome& outcome);

// The end of any work on a port: why the port could not open, "stopped by
// user". Returns `status`, or 1 when stopped.
int reportPortEnd(const qrk::QtSession& session, const QString& command, const QString& port,
                  bool portOpened, bool interrupted, int status);

// Saves what the runs changed in the settings; on failure says so on stderr,
// prefixed by `command`.
bool syncSettings(qrk::QtSession& session, const QString& command);

}  // namespace qrkcli
