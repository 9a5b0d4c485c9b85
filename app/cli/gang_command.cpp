#include <unistd.h>

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
#include "qt/port_directory.h"
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
    "Exit status: 0 when every run on every port succeeded, 1 when any failed or was\n"
    "stopped (the summary names each failed port and why), 2 bad usage or bad input, found\n"
    "before anything is sent to any chip.";

// The most runs --repeat allows: "until Ctrl-C" for a port.
constexpr int kUntilStopped = 1'000'000;

struct GangTarget {
  QString name;
  QString device;
};

// Each --port as a device that exists, none twice (two runs on one line
// would garble each other's frames). nullopt with the reason in *error.
std::optional<std::vector<GangTarget>> resolveTargets(const QStringList& names, QString* error) {
  std::optional<qrk::PortDirectory> directory;
  std::vector<GangTarget> targets;
  std::vector<QString> canonical;
  for (const QString& name : names) {
    std::string path, reason;
    if (qrk::needsPortDirectory(name.toStdString())) {
      if (!directory) directory = qrk::PortDirectory::scan();
      if (!directory->resolve(name.toStdString(), &path, &reason)) {
        *error = QString::fromStdString(reason);
        return std::nullopt;
      }
    } else {
      path = name.toStdString();
    }
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists()) {
      *error = "--port " + name + ": no such device";
      return std::nullopt;
    }
    const QString real = info.canonicalFilePath();
    for (std::size_t i = 0; i < canonical.size(); ++i) {
      if (canonical[i] == real) {
        *error = "--port " + name + " is the same device as --port " + targets[i].name + " (" +
                 real + ")";
        return std::nullopt;
      }
    }
    canonical.push_back(real);
    targets.push_back({name, QString::fromStdString(path)});
  }
  return targets;
}

// The arguments of gang without its --port and --events options: what each
// port's run takes as it is.
QStringList runOptionsOf(const QStringList& args) {
  QStringList kept;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& word = args.at(i);
    QString name = word;
    while (name.startsWith('-')) name.remove(0, 1);
    const bool ownOption = word.startsWith('-') && (name.section('=', 0, 0) == "port" ||
                                                    name.section('=', 0, 0) == "events");
    if (!ownOption) {
      kept << word;
    } else if (!name.contains('=')) {
      ++i;  // its value
    }
  }
  return kept;
}

// Everything the runs would refuse, found once here before any run starts:
// the model, the options, the image, the record (a database that cannot be
// written or reached). A serial number that is not the record's counter's
// would repeat on every port.
std::optional<int> checkRunChoices(const RunArguments& run, const RecordArguments& record,
                                   const QString& firstPort) {
  CliHost host(stderr, stderr);
  host.setAssumeYes(run.assumeYes);
  qrk::QtSession session(run.settingsFile.toStdString(), qrk::QtSession::Keep::RunCounters, host);
  if (auto refused = applyRunChoices(session.programmer(), run, host)) return refused;
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
  addRunOptions(parser);
  addRecordOptions(parser);  // passed on to each port's run with the rest
  if (auto status = parseArguments(parser, args, kDescription)) return *status;
  RunArguments run;
  if (auto status = readRunArguments(parser, args, &run)) return *status;
  RecordArguments record;
  if (auto status = readRecordArguments(parser, args, &record)) return *status;
  QString error;
  const auto targets = resolveTargets(run.ports, &error);
  if (!targets) return usageError(args, error);
  if (auto refused = checkRunChoices(run, record, targets->front().device)) return *refused;

  QStringList runArguments = QStringList{"run"} + runOptionsOf(args);
  if (!parser.isSet("repeat")) runArguments << "--repeat" << QString::number(kUntilStopped);

  std::vector<std::unique_ptr<GangPort>> ports;
  const bool live = !run.jsonEvents && ::isatty(STDOUT_FILENO) == 1;
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
    ports[i]->start(QCoreApplication::applicationFilePath(),
                    runArguments + QStringList{"--port", ports[i]->state().device, "--events",
                                               "json", "--port-index", QString::number(i)});
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
      failures += "  " + s.name + ": " + s.firstFailure + "\n";
      status = std::max(status, s.exitCode == kExitUsage ? kExitUsage : kExitFailed);
    }
    summary.append(
        QJsonObject{{"port", s.name},
                    {"device", s.device},
                    {"exit", s.exitCode},
                    {"runs", s.chips},
                    {"succeeded", s.succeeded},
                    {"reason", s.exitCode == kExitSuccess ? QString() : s.firstFailure}});
  }
  if (interrupt.interrupted() && status == kExitSuccess) status = kExitFailed;
  QTextStream report(run.jsonEvents ? stderr : stdout);
  report << QString("gang: %1 of %2 ports succeeded, %3 of %4 chips OK\n")
                .arg(portsOk)
                .arg(ports.size())
                .arg(chipsOk)
                .arg(chips)
         << failures;
  if (interrupt.interrupted()) report << "gang: stopped by user\n";
  report.flush();
  if (run.jsonEvents) {
    EventStream::writeLine(
        stdout, {{"event", "result"}, {"exit", status}, {"ok", status == 0}, {"ports", summary}});
  }
  return status;
}

}  // namespace qrkcli
