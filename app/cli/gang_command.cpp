#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <memory>
#include <vector>

#include "cli_host.h"
#include "command_line.h"
#include "commands.h"
#include "event_stream.h"
#include "gang_display.h"
#include "gang_port.h"
#include "interrupt_notifier.h"
#include "process_os.h"
#include "qt/qt_session.h"
#include "record_options.h"
#include "record_run.h"
#include "run_arguments.h"
#include "run_steps.h"

namespace qrkcli {

namespace {

const char* const kDescription =
    "Runs FUNCTION on every --port at once, one independent run per port (each a 'qrkprog\n"
    "run' of its own), chip after chip: --repeat N runs per port, without it until Ctrl-C.\n"
    "Every option of 'qrkprog run' applies to every port; with --db every port writes its\n"
    "chips' rows to that record, and --serial takes every port's numbers from its counter.\n"
    "\n"
    "On a terminal one live line per port shows its chips, the step under way, the progress\n"
    "and the last result; redirected, one line per finished chip. Ctrl-C stops every port as\n"
    "the Stop button does. --events json writes every port's events on stdout instead, each\n"
    "with its \"port\", and the gang's result last.\n"
    "\n"
    "--out FILE.bin takes {port} in its name, replaced by each port's name (e.g.\n"
    "--out read-{port}.bin gives read-ttyUSB0.bin): one file for several ports is refused.\n"
    "\n"
    "--power and --start-on work per port: each port's run switches its own supply and\n"
    "waits for its own start signal; a command sees the port's place in QRK_PORT_INDEX\n"
    "(0 for the first --port). --start-on enter is refused: one terminal cannot start\n"
    "many ports.\n"
    "\n"
    "A Ctrl-C between chips (in the countdown) ends the shift: each port's run stops\n"
    "there. The summary gives, per port, the chips that passed and failed and every failed\n"
    "chip with its reason.\n"
    "\n"
    "Exit status: 0 when every chip on every port succeeded (a shift ended by Ctrl-C between\n"
    "chips included), 1 when any failed or a Ctrl-C cut a chip short, 2 bad usage or bad\n"
    "input, found before anything is sent to any chip.";

// The most runs --repeat allows: "until Ctrl-C" for a port.
constexpr int kUntilStopped = 1'000'000;

struct GangTarget {
  QString name;
  QString device;
};

// Each --port as a device that exists, none twice (two runs on one line
// would garble each other's frames). nullopt with the reason in *error.
std::optional<std::vector<GangTarget>> resolveTargets(const QStringList& names, QString* error) {
  std::vector<GangTarget> targets;
  std::vector<QString> canonical;
  for (const QString& name : names) {
    const std::optional<QString> path = devicePathOf(name, error);
    if (!path) return std::nullopt;
    const QString real = QFileInfo(*path).canonicalFilePath();
    for (std::size_t i = 0; i < canonical.size(); ++i) {
      if (canonical[i] == real) {
        *error = "--port " + name + " is the same device as --port " + targets[i].name + " (" +
                 real + ")";
        return std::nullopt;
      }
    }
    canonical.push_back(real);
    targets.push_back({name, *path});
  }
  return targets;
}

// The arguments of gang without its --port, --events and --out options: what
// each port's run takes as it is.
QStringList runOptionsOf(const QStringList& args) {
  QStringList kept;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& word = args.at(i);
    QString name = word;
    while (name.startsWith('-')) name.remove(0, 1);
    const QString option = name.section('=', 0, 0);
    const bool ownOption =
        word.startsWith('-') && (option == "port" || option == "events" || option == "out");
    if (!ownOption) {
      kept << word;
    } else if (!name.contains('=')) {
      ++i;  // its value
    }
  }
  return kept;
}

// The placeholder of --out that each port's run replaces with its own name.
const QString kPortPlaceholder = QStringLiteral("{port}");

// A port's name as a part of a file name: "/dev/ttyUSB0" gives "ttyUSB0",
// "/dev/pts/3" "pts_3", "usb:A1/2" "usb_A1_2".
QString fileNamePart(QString port) {
  if (port.startsWith("/dev/")) port.remove(0, 5);
  for (QChar& c : port) {
    if (!c.isLetterOrNumber() && c != '.' && c != '-' && c != '_') c = '_';
  }
  return port;
}

// Where each port's read-back goes: one file per port, never one file that
// every port overwrites. nullopt with the reason in *error.
std::optional<QStringList> readBackPaths(const QString& out, const std::vector<GangTarget>& targets,
                                         QString* error) {
  QStringList paths;
  if (out.isEmpty()) return paths;
  if (!out.contains(kPortPlaceholder) && targets.size() > 1) {
    *error = "--out " + out + " would be written by every port, the last one winning; put " +
             kPortPlaceholder + " in the file name for each port's name";
    return std::nullopt;
  }
  for (const GangTarget& target : targets) {
    paths << QString(out).replace(kPortPlaceholder, fileNamePart(target.name));
  }
  if (paths.removeDuplicates() > 0) {
    *error = "--out " + out + " gives two ports the same file name";
    return std::nullopt;
  }
  return paths;
}

// Everything the runs would refuse, found once here before any run starts:
// the model, the options, the image, each port's read-back file, the record (a database that cannot
// be written or reached). A serial number that is not the record's counter's would repeat on every
// port.
std::optional<int> checkRunChoices(const RunArguments& run, const RecordArguments& record,
                                   const QString& firstPort, const QStringList& readBacks) {
  CliHost host(stderr, stderr);
  host.setAssumeYes(run.assumeYes);
  qrk::QtSession session(run.settingsFile.toStdString(), qrk::QtSession::Keep::RunCounters, host);
  if (auto refused = applyRunChoices(session.programmer(), run, host)) return refused;
  RunArguments eachPort = run;
  eachPort.readBackPath.clear();
  if (auto refused = checkRunNeeds(session.programmer(), eachPort)) return refused;
  for (const QString& path : readBacks) {
    eachPort.readBackPath = path;
    if (auto refused = checkRunNeeds(session.programmer(), eachPort)) return refused;
  }
  std::unique_ptr<RunRecorder> recorder;
  if (auto refused =
          RunRecorder::start(record, session.programmer(), firstPort, run.command, &recorder)) {
    return refused;
  }
  if (session.programmer().autoIncrement().armed() && !record.serial) {
    return usageError({run.command},
                      "serial numbering is on: every port would stamp the same numbers; give "
                      "--serial so that all ports take their numbers from the record's counter");
  }
  return std::nullopt;
}

}  // namespace

int gangCommand(const QStringList& args) {
  QCommandLineParser parser;
  addRunOptions(parser, "Runs N chips on each port (default: chip after chip until Ctrl-C).");
  addRecordOptions(parser);  // passed on to each port's run with the rest
  if (auto status = parseArguments(parser, args, kDescription)) return *status;
  RunArguments run;
  if (auto status = readRunArguments(parser, args, &run)) return *status;
  RecordArguments record;
  if (auto status = readRecordArguments(parser, args, &record)) return *status;
  if (run.serialField.any() && !record.serial) {
    return usageError(args,
                      "the --serial-* options set the field that --serial stamps: add --serial");
  }
  if (run.fixture.start.kind == qrk::StartSignal::Kind::Key) {
    return usageError(args,
                      "--start-on enter cannot start the chips of many ports from one terminal: "
                      "give each port's fixture a line (cts, dsr, dcd, ri) or a --start-cmd");
  }
  QString error;
  const auto targets = resolveTargets(run.ports, &error);
  if (!targets) return usageError(args, error);
  const auto readBacks = readBackPaths(run.readBackPath, *targets, &error);
  if (!readBacks) return usageError(args, error);
  if (auto refused = checkRunChoices(run, record, targets->front().device, *readBacks)) {
    return *refused;
  }

  QStringList runArguments = QStringList{"run"} + runOptionsOf(args);
  if (!parser.isSet("repeat")) runArguments << "--repeat" << QString::number(kUntilStopped);

  std::vector<std::unique_ptr<GangPort>> ports;
  const bool live = !run.jsonEvents && isTerminal(stdout);
  GangDisplay display(stdout, live, ports);
  QEventLoop loop;
  std::size_t running = targets->size();
  GangPort::Listener listener;
  listener.changed = [&display](const GangPort&) { display.changed(); };
  if (!run.jsonEvents) {
    listener.chipEnded = [&display](const GangPort& port) { display.chipEnded(port); };
  }
  listener.errorLine = [&display](const GangPort& port, const QString& line) {
    display.errorLine(port, line);
  };
  if (run.jsonEvents) {
    listener.event = [](const GangPort& port, QJsonObject event) {
      if (event.value("event").toString() == "result") return;  // the gang's own comes last
      event.insert("port", port.state().name);
      EventStream::writeLine(stdout, event);
    };
  }
  listener.finished = [&](const GangPort&) {
    if (--running == 0) loop.quit();
  };
  for (const GangTarget& target : *targets) {
    ports.push_back(std::make_unique<GangPort>(target.name, target.device, listener));
  }
  InterruptNotifier interrupt([&ports] {
    for (const auto& port : ports) port->interrupt();
  });
  // Redirected, the gang shows each chip's end only: its runs need not tell
  // it of every step of the bar, which would wake it ten times a second each.
  if (!live && !run.jsonEvents) runArguments.append({"--progress-every", "0"});
  // Each run learns its place, so that one power script switches the right
  // channel.
  for (std::size_t i = 0; i < ports.size(); ++i) {
    QStringList own{"--port", ports[i]->state().device, "--events", "json"};
    own << "--port-index" << QString::number(i);
    if (!readBacks->isEmpty()) own << "--out" << readBacks->at(static_cast<qsizetype>(i));
    ports[i]->start(QCoreApplication::applicationFilePath(), runArguments + own);
  }
  display.changed();
  loop.exec();
  display.finish();

  // The summary: every port that failed, and why.
  int status = kExitSuccess;
  int portsOk = 0, chips = 0, chipsOk = 0;
  QString failures;
  QJsonArray summary;
  for (const auto& port : ports) {
    const GangPortState& s = port->state();
    chips += s.chips;
    chipsOk += s.succeeded;
    if (s.exitCode == kExitSuccess) {
      ++portsOk;
    } else {
      status = std::max(status, s.exitCode == kExitUsage ? kExitUsage : kExitFailed);
    }
    failures += QString("  %1: %2 OK, %3 failed").arg(s.name).arg(s.succeeded).arg(s.failed());
    // A run that failed without a chip failing: why it ended.
    if (s.exitCode != kExitSuccess && s.failedChips.isEmpty()) failures += ": " + s.firstFailure;
    failures += "\n";
    for (const QString& chip : s.failedChips) failures += "    " + chip + "\n";
    summary.append(QJsonObject{{"port", s.name},
                               {"device", s.device},
                               {"exit", s.exitCode},
                               {"runs", s.chips},
                               {"succeeded", s.succeeded},
                               {"reason", s.exitCode == kExitSuccess ? QString() : s.failureCode},
                               {"text", s.exitCode == kExitSuccess ? QString() : s.firstFailure}});
  }
  // A Ctrl-C between chips ends each port's shift cleanly (its run exits 0
  // when all its chips passed); one that cut a chip short fails that port.
  QTextStream report(run.jsonEvents ? stderr : stdout);
  report << QString("gang: %1 of %2 ports succeeded, %3 of %4 chips OK\n")
                .arg(portsOk)
                .arg(ports.size())
                .arg(chipsOk)
                .arg(chips)
         << failures;
  if (interrupt.interrupted()) report << "gang: stopped by user, the shift ends\n";
  report.flush();
  if (run.jsonEvents) {
    EventStream::writeLine(
        stdout, {{"event", "result"}, {"exit", status}, {"ok", status == 0}, {"ports", summary}});
  }
  return status;
}

}  // namespace qrkcli
