#include <QCommandLineParser>
#include <QTextStream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli_host.h"
#include "command_line.h"
#include "commands.h"
#include "frame_trace.h"
#include "interrupt_notifier.h"
#include "ops/function_list.h"
#include "ops/functions.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_settings_store.h"
#include "record_run.h"
#include "run_image.h"
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

// The function-list names of --list, matched as FUNCTION is; nullopt and
// *error at the first name the list cannot hold.
std::optional<std::vector<std::string>> parseList(const QString& text, QString* error) {
  std::vector<std::string> names;
  for (const QString& typed : text.split(',', Qt::SkipEmptyParts)) {
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty()) continue;
    const qrk::FunctionEntry* f = findFunctionByTypedName(trimmed);
    if (f == nullptr || f->listStep == nullptr) {
      *error = "--list: '" + trimmed + "' cannot stand in the function list";
      return std::nullopt;
    }
    names.emplace_back(f->name);
  }
  if (names.size() > static_cast<std::size_t>(qrk::FunctionList::kSlotCount)) {
    *error = "--list holds at most 8 functions";
    return std::nullopt;
  }
  return names;
}

// A whole number from `minimum` to `maximum`; nullopt otherwise.
std::optional<int> parseCount(const QString& text, int minimum, int maximum) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  if (!ok || n < minimum || n > maximum) return std::nullopt;
  return n;
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
    "Auto runs the function list: --list, else the window's saved list, else the default\n"
    "list (Erase_All, Verify_ID, Blank_Check, Program, Verify, Write_Option, Read_Option).\n"
    "Program and Auto program the image that --file loads (with --start and --fill, as the\n"
    "window loads it); an image whose load gave any warning is refused unless --force.\n"
    "Read_AP_ISP reads the whole 64 KB back; --out stores it, only when the read succeeded.\n"
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
  const QCommandLineOption port("port", "The serial port (see above).", "DEV");
  const QCommandLineOption model("model", "The model ('qrkprog models' lists them).", "NAME");
  const QCommandLineOption ispSpace("isp-space", "The ISP Space size, e.g. 1.0k.", "TEXT");
  const QCommandLineOption option(
      "option", "Sets an option row; repeatable ('qrkprog options --model NAME' lists them).",
      "ROW=CHOICE");
  const QCommandLineOption settingsFile(
      "settings", "Read and write the settings in this INI file (missing: defaults).", "FILE.ini");
  const QCommandLineOption trace("trace", "Write every frame sent and received to stderr.");
  const QCommandLineOption file("file", "The HEX or BIN file to program.", "PATH");
  const QCommandLineOption start("start", "Buffer Start Address, hexadecimal (default 0).", "HEX");
  const QCommandLineOption fill("fill", "Unused bytes: FF or 00 (default: the window's).", "FF|00");
  const QCommandLineOption force("force", "Program an image whose load gave warnings.");
  const QCommandLineOption list("list", "The function list of Auto, comma-separated.",
                                "NAME,NAME,...");
  const QCommandLineOption out("out", "Read_AP_ISP: store the 64 KB read back here.", "FILE.bin");
  const QCommandLineOption repeat("repeat", "Run N times, as Re-Run does (default 1).", "N");
  const QCommandLineOption delay("delay", "Seconds between repeated runs, 2 to 9.", "S");
  const QCommandLineOption yes("yes", "Answer Yes where the window would ask.");
  parser.addOptions({port, model, ispSpace, option, settingsFile, trace, file, start, fill, force,
                     list, out, repeat, delay, yes});
  addRecordOptions(parser);
  parser.addPositionalArgument("FUNCTION", "One of: " + functionNames() + ".");
  if (auto status = parseArguments(parser, args, kDescription)) return *status;
  RecordArguments recordArguments;
  if (auto status = readRecordArguments(parser, args, &recordArguments)) return *status;

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
  const std::string functionName(function->name);
  if (parser.isSet(out) && functionName != "Read_AP_ISP") {
    return usageError(args, "--out goes with Read_AP_ISP only");
  }
  if (parser.isSet(out) && parser.value(out).trimmed().isEmpty()) {
    return usageError(args, "--out needs a file name");
  }
  if (parser.isSet(list) && functionName != "Auto") {
    return usageError(args, "--list goes with Auto only");
  }
  int runs = 1;
  if (parser.isSet(repeat)) {
    const auto n = parseCount(parser.value(repeat), 1, 1'000'000);
    if (!n) return usageError(args, "--repeat takes a whole number of runs from 1");
    runs = *n;
  }

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
  host.setAssumeYes(parser.isSet(yes));
  qrk::Programmer programmer(serialPort, loop, settings, host);
  programmer.loadSettings();
  if (parser.isSet(list)) {
    QString error;
    const auto names = parseList(parser.value(list), &error);
    if (!names) return usageError(args, error);
    programmer.functionList().setForRun(*names);
  }
  if (parser.isSet(delay)) {
    const auto seconds = parseCount(parser.value(delay), 2, 9);
    if (!seconds || !programmer.production().setDelaySeconds(*seconds)) {
      return usageError(args, "--delay takes a whole number of seconds from 2 to 9");
    }
  }

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
  // Loaded once the model and ISP Space are known: they decide the memory map.
  const RunImageOptions imageOptions{parser.value(file), parser.value(start), parser.value(fill),
                                     parser.isSet(force)};
  if (auto refused = loadRunImage(programmer, imageOptions, host, args.first())) return *refused;
  if (parser.isSet(trace)) programmer.link().setTraceSink(traceTo(stderr));
  std::unique_ptr<RunRecorder> recorder;
  if (auto refused =
          RunRecorder::start(recordArguments, programmer, portName, args.first(), &recorder)) {
    return *refused;
  }

  // The window's Run and Stop buttons: the same run, the same stop.
  qrk::ProductionLoop buttons(programmer);
  programmer.setPortName(portName.toStdString());
  InterruptNotifier interrupt([&buttons] { buttons.stopClicked(); });
  runSettings.setPersisting(true);
  qrk::RunResult result;
  bool everyRunOk = true;
  if (runs == 1) {
    result = buttons.run(functionName);
    everyRunOk = result.ok();
    recorder->chipEnded(functionName, result);
  } else {
    const auto summary = buttons.reRun(functionName, runs, [&](const qrk::RunResult& r) {
      result = r;
      everyRunOk = everyRunOk && r.ok();
      if (!recorder->chipEnded(functionName, r)) buttons.stopRun();
    });
    everyRunOk = everyRunOk && summary.allSucceeded() && summary.runs == runs;
  }
  host.finish();
  if (parser.isSet(trace) && result.portOpened) {
    QTextStream(stderr) << "low latency: "
                        << (serialPort.lowLatency()
                                ? QString("on")
                                : "refused by the driver (" +
                                      QString::fromStdString(serialPort.lowLatencyRefusal()) + ")")
                        << "\n";
  }
  int status = everyRunOk && recorder->complete() ? kExitSuccess : kExitFailed;
  if (everyRunOk && parser.isSet(out)) {
    QString error;
    if (!writeReadBack(programmer.image(), parser.value(out), &error)) {
      QTextStream(stderr) << args.first() << ": cannot write " << parser.value(out) << ": " << error
                          << "\n";
      status = kExitFailed;
    }
  }
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
  return status;
}

}  // namespace qrkcli
