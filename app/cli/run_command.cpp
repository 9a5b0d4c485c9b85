#include <QCommandLineParser>
#include <optional>

#include "cli_host.h"
#include "command_line.h"
#include "commands.h"
#include "event_stream.h"
#include "qt/qt_session.h"
#include "record_run.h"
#include "run_arguments.h"
#include "run_steps.h"

namespace qrkcli {

namespace {

const char* const kDescription =
    "Runs one function on the target: connects while the target is switched on (about 4 s per\n"
    "pass of the handshake), then executes FUNCTION. stdout carries the message pane's text,\n"
    "message boxes go to stderr.\n"
    "\n"
    "DEV is a device path (/dev/ttyUSB0, a pseudo-terminal such as /dev/pts/3), COM<n> in\n"
    "any letter case (the n-th device that 'qrkprog ports' lists: USB adapters first, then\n"
    "by path) or usb:SERIAL (the USB adapter with that serial number).\n"
    "\n"
    "Auto runs the function list: --list, else the window's saved list, else the default\n"
    "list (Erase_All, Verify_ID, Blank_Check, Program, Verify, Write_Option, Read_Option).\n"
    "Program and Auto program the image that --file loads (with --start and --fill, as the\n"
    "window loads it); an image whose load gave any warning is refused unless --force.\n"
    "Read_AP_ISP reads the whole 64 KB back; --out stores it, only when the read succeeded.\n"
    "Models of kind 0 (the D and E models) report no ID of their own: Verify_ID, alone or in\n"
    "the list, compares their chip only with the ID that --expect-id gives, and is refused\n"
    "without it.\n"
    "--repeat N runs N times with the Re-Run countdown in between (--delay, else the\n"
    "window's choice; 2 s after an Auto run that failed), as the Re-Run button does.\n"
    "\n"
    "Without --settings the window's saved settings are read, and only what the run itself\n"
    "changes is written back (the success counter); --model, --isp-space, --option, --list\n"
    "and --delay apply to this run only.\n"
    "\n"
    "Exit status: 0 when every run succeeded, 1 a run failed or was stopped (Ctrl-C stops\n"
    "the run as the Stop button does), 2 bad usage or bad input.";

}  // namespace

int runCommand(const QStringList& args) {
  QCommandLineParser parser;
  addRunOptions(parser);
  addRecordOptions(parser);
  if (auto status = parseArguments(parser, args, kDescription)) return *status;
  RunArguments run;
  if (auto status = readRunArguments(parser, args, &run)) return *status;
  RecordArguments recordArguments;
  if (auto status = readRecordArguments(parser, args, &recordArguments)) return *status;
  if (run.ports.size() > 1) return usageError(args, "run takes one --port");
  if (run.serialField.any() && !recordArguments.serial) {
    return usageError(args,
                      "the --serial-* options set the field that --serial stamps: add --serial");
  }

  CliHost host(stdout, stderr);
  host.setAssumeYes(run.assumeYes);
  std::optional<EventStream> events;
  if (run.jsonEvents)
    events.emplace(stdout, host, run.ports.first().toStdString(),
                   std::string(qrk::functionName(run.function)), run.progressEveryMs);
  qrk::QtSession session(run.settingsFile.toStdString(), qrk::QtSession::Keep::RunCounters,
                         events ? static_cast<qrk::Host&>(*events) : host);
  std::unique_ptr<RunRecorder> recorder;
  QString portError;
  qrk::Reason refusal = qrk::Reason::Usage;
  std::optional<int> refused;
  if (!devicePathOf(run.ports.first(), &portError)) refused = usageError(args, portError);
  if (!refused) refused = applyRunChoices(session.programmer(), run, host);
  if (!refused) refused = checkRunNeeds(session.programmer(), run);
  if (!refused) {
    refusal = qrk::Reason::Record;
    refused = RunRecorder::start(recordArguments, session.programmer(), run.ports.first(),
                                 run.command, &recorder);
  }
  if (refused) {
    if (events) events->finished(*refused, qrk::Status::failure(refusal));
    return *refused;
  }

  session.startPersisting();
  // A line that cannot prove what it made stops making it.
  const RunOutcome outcome =
      executeRuns(session, run, run.ports.first(), [&](const qrk::RunResult& result) {
        if (events) events->runEnded(result);
        if (!recorder->chipEnded(std::string(qrk::functionName(run.function)), result))
          session.productionLoop().stopRun();
      });
  host.finish();
  int status = reportRuns(session, run, run.ports.first(), outcome);
  qrk::Status reason;
  if (!recorder->complete()) {
    status = kExitFailed;
    reason = qrk::Status::failure(qrk::Reason::Record, "the chip's row could not be written");
  }
  syncSettings(session, run.command);
  if (events) events->finished(status, reason);
  return status;
}

}  // namespace qrkcli
