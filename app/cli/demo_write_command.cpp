#include <QCommandLineParser>
#include <QTextStream>

#include "cli_host.h"
#include "command_line.h"
#include "commands.h"
#include "demo_options.h"
#include "english_texts.h"
#include "ispdemo/isp_demo_builder.h"
#include "ispdemo/isp_demo_writer.h"
#include "qt/qt_session.h"
#include "run_arguments.h"
#include "run_steps.h"

namespace qrkcli {

namespace {

const char* const kDescription =
    "Writes the ISP DEMO firmware into the target's top kilobyte: builds it for the model\n"
    "and the settings (left out: the ISP DEMO page's first-start choices), chooses the\n"
    "1.0k ISP area, then runs Auto as the window's ISP DEMO button does: LOCK, SB and MOVCL\n"
    "are set and the option bytes written, the kilobyte (and a --file, if given) is\n"
    "programmed and verified. The function list must hold Program and, after it, Verify.\n"
    "--repeat N writes N chips with the Re-Run countdown in between; it first asks whether\n"
    "the chips should start the DEMO at power-on (HWBS): --yes answers yes.\n"
    "The run options --isp-space and --out do not apply here.\n"
    "\n"
    "Exit status: 0 when every write succeeded, 1 a write failed or was stopped, 2 bad\n"
    "usage or a setting the firmware cannot be built with (nothing is sent then).";

}  // namespace

int demoWriteCommand(const QStringList& typed) {
  // The run options serve as they are; the function is always Auto.
  QStringList args = typed;
  args.insert(1, "Auto");
  QCommandLineParser parser;
  addRunOptions(parser);
  parser.clearPositionalArguments();  // no FUNCTION: it is always Auto
  const DemoOptionFlags demo;
  demo.addTo(parser);
  if (auto status = parseArguments(parser, args, kDescription)) return *status;
  if (parser.positionalArguments().size() > 1) {
    return usageError(typed, "unexpected argument '" + parser.positionalArguments().at(1) + "'");
  }
  RunArguments run;
  if (auto status = readRunArguments(parser, args, &run)) return *status;
  if (run.ports.size() != 1) return usageError(typed, "demo-write takes one --port DEV");
  if (run.ispSpace) return usageError(typed, "the ISP DEMO always takes the 1.0k ISP area");
  if (!run.readBackPath.isEmpty()) return usageError(typed, "--out goes with run Read_AP_ISP");
  QString error;
  const auto demoSettings = demo.read(parser, &error);
  if (!demoSettings) return usageError(typed, error);

  CliHost host(stdout, stderr);
  host.setAssumeYes(run.assumeYes);
  qrk::QtSession session(run.settingsFile.toStdString(), qrk::QtSession::Keep::RunCounters, host);
  qrk::Programmer& programmer = session.programmer();
  if (auto refused = applyRunChoices(programmer, run, host)) return *refused;
  // Judged here, before the port is touched, so that a script tells bad
  // settings (2) from a failed write (1).
  const qrk::IspDemoBuild build = qrk::patchIspDemo(programmer.model(), *demoSettings);
  if (!build.bytes) {
    QTextStream(stderr) << QString::fromStdString(withEnglish(build.refusal));
    return kExitUsage;
  }
  if (!qrk::demoListWritesAndVerifies(programmer.functionList())) {
    QTextStream(stderr) << QString::fromStdString(qrk::kDemoListText).replace("\r\n", "\n") << "\n";
    return kExitUsage;
  }

  session.startPersisting();
  qrk::ProductionLoop& productionLoop = session.productionLoop();
  const RunOutcome outcome = runTimes(
      session, run.ports.first(), run.runs,
      [&] { return qrk::writeIspDemo(programmer, productionLoop, *demoSettings); },
      [&](int maxRuns, const RunEnded& ended) {
        return qrk::repeatWriteIspDemo(programmer, productionLoop, *demoSettings, maxRuns, ended);
      });
  host.finish();
  const int status = reportRuns(session, run, run.ports.first(), outcome);
  syncSettings(session, run.command);
  return status;
}

}  // namespace qrkcli
