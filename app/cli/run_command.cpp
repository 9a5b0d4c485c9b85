#include <QCommandLineParser>
#include <QTextStream>
#include <memory>

#include "cli_host.h"
#include "command_line.h"
#include "commands.h"
#include "frame_trace.h"
#include "interrupt_notifier.h"
#include "ops/functions.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_settings_store.h"
#include "run_settings.h"

namespace qrkcli {

namespace {

QString functionNames() {
  QStringList names;
  for (const qrk::FunctionEntry& f : qrk::runFunctions()) {
    names << QString::fromUtf8(f.name.data(), static_cast<qsizetype>(f.name.size()));
  }
  return names.join(", ");
}

// The function a user means; the names are matched without regard to case
// because a shell user types "verify_id" as readily as "Verify_ID".
const qrk::FunctionEntry* findFunctionByTypedName(const QString& typed) {
  for (const qrk::FunctionEntry& f : qrk::runFunctions()) {
    const QString name = QString::fromUtf8(f.name.data(), static_cast<qsizetype>(f.name.size()));
    if (name.compare(typed, Qt::CaseInsensitive) == 0) return &f;
  }
  return nullptr;
}

const char* const kDescription =
    "Runs one function on the target: connects while the target is switched on (about 4 s per\n"
    "pass of the handshake), then executes FUNCTION. stdout carries the message pane's text,\n"
    "message boxes go to stderr.\n"
    "\n"
    "DEV is a device path (/dev/ttyUSB0, a pseudo-terminal such as /dev/pts/3) or COM<n> in\n"
    "any letter case: the n-th serial device of this machine, the devices counted in the\n"
    "order of their paths (COM1 is the first).\n"
    "\n"
    "Without --settings the window's saved settings are read, and only what the run itself\n"
    "changes is written back; --model, --isp-space and --option apply to this run only.\n"
    "\n"
    "Exit status: 0 success, 1 the operation failed or was stopped (Ctrl-C stops the run as\n"
    "the Stop button does), 2 bad usage or bad input.";

}  // namespace

int runCommand(const QStringList& args) {
  QCommandLineParser parser;
  const QCommandLineOption port("port", "The serial port (see above).", "DEV");
  const QCommandLineOption model("model", "The model ('qrkprog models' lists them).", "NAME");
  const QCommandLineOption ispSpace("isp-space", "The ISP Space size, e.g. 1.0k.", "TEXT");
  const QCommandLineOption option(
      "option", "Sets an option row; repeatable ('qrkprog options --model NAME' lists them).",
      "ROW=CHOICE");
  const QCommandLineOption settingsFile(
      "settings", "Read and write the settings in this INI file (missing: defaults).", "FILE.ini");
  const QCommandLineOption trace("trace", "Write every frame sent and received to stderr.");
  parser.addOptions({port, model, ispSpace, option, settingsFile, trace});
  parser.addPositionalArgument("FUNCTION", "One of: " + functionNames() + ".");
  if (auto status = parseArguments(parser, args, kDescription)) return *status;

  const QStringList positional = parser.positionalArguments();
  if (positional.isEmpty())
    return usageError(args, "FUNCTION is missing (" + functionNames() + ")");
  if (positional.size() > 1)
    return usageError(args, "unexpected argument '" + positional.at(1) + "'");
  const qrk::FunctionEntry* function = findFunctionByTypedName(positional.first());
  if (function == nullptr) {
    return usageError(args,
                      "unknown function '" + positional.first() + "' (" + functionNames() + ")");
  }
  const QString portName = parser.value(port).trimmed();
  if (portName.isEmpty()) return usageError(args, "--port DEV is required");

  std::unique_ptr<qrk::QtSettingsStore> savedSettings =
      parser.isSet(settingsFile)
          ? std::make_unique<qrk::QtSettingsStore>(parser.value(settingsFile).toStdString())
          : std::make_unique<qrk::QtSettingsStore>();
  RunSettings runSettings(*savedSettings);
  qrk::SettingsStore& settings =
      parser.isSet(settingsFile) ? static_cast<qrk::SettingsStore&>(*savedSettings) : runSettings;

  qrk::QtSerialPort serialPort;
  qrk::QtEventLoop loop;
  CliHost host(stdout, stderr);
  qrk::Programmer programmer(serialPort, loop, settings, host);
  programmer.loadSettings();

  if (parser.isSet(model)) {
    QString error;
    const qrk::McuModel* row = findModelOrExplain(parser.value(model), &error);
    if (row == nullptr) return usageError(args, error);
    programmer.selectModel(std::string(row->name));
  }
  if (!programmer.model().selected) {
    return usageError(args, "no model is selected: give --model NAME");
  }
  const int mapKind = programmer.model().mapKind;
  if (parser.isSet(ispSpace)) {
    std::string error;
    if (!qrk::setIspSpace(programmer.options(), parser.value(ispSpace).toStdString(), &error)) {
      return usageError(args, QString::fromStdString(error));
    }
  }
  for (const QString& assignment : parser.values(option)) {
    const qsizetype equals = assignment.indexOf('=');
    if (equals <= 0) return usageError(args, "--option takes ROW=CHOICE, not '" + assignment + "'");
    std::string error;
    if (!qrk::setOption(programmer.options(), mapKind, assignment.left(equals).toStdString(),
                        assignment.mid(equals + 1).toStdString(), &error)) {
      return usageError(args, QString::fromStdString(error));
    }
  }
  if (parser.isSet(trace)) programmer.link().setTraceSink(traceTo(stderr));

  // The window's Run and Stop buttons: the same run, the same stop.
  qrk::ProductionLoop buttons(programmer);
  programmer.setPortName(portName.toStdString());
  InterruptNotifier interrupt([&buttons] { buttons.stopClicked(); });
  runSettings.setPersisting(true);
  const qrk::RunResult result = buttons.run(std::string(function->name));
  host.finish();
  if (!result.portOpened && !serialPort.lastOpenError().empty()) {
    QTextStream(stderr) << args.first() << ": cannot open " << portName << ": "
                        << QString::fromStdString(serialPort.lastOpenError()) << "\n";
  }

  std::string settingsError;
  if (!savedSettings->sync(&settingsError)) {
    QTextStream(stderr) << args.first()
                        << ": settings not saved: " << QString::fromStdString(settingsError)
                        << "\n";
  }
  if (interrupt.interrupted()) {
    QTextStream(stderr) << args.first() << ": stopped by user\n";
    return kExitFailed;
  }
  return result.ok() ? kExitSuccess : kExitFailed;
}

}  // namespace qrkcli
