#include "fixture_options.h"

#include "command_line.h"

namespace qrkcli {

void addFixtureOptions(QCommandLineParser& parser) {
  parser.addOptions({
      {"power",
       "Switch the target's supply for each chip: dtr or rts (the line asserted = on), "
       "dtr-low or rts-low (released = on), or cmd (--power-on-cmd, --power-off-cmd).",
       "LINE"},
      {"power-on-cmd",
       "With --power cmd: the shell command that switches the supply on (QRK_PORT and "
       "QRK_PORT_INDEX in its environment).",
       "CMD"},
      {"power-off-cmd", "With --power cmd: the shell command that switches the supply off.", "CMD"},
      {"power-off-ms", "How long the supply stays off before it is switched on (default 300).",
       "MS"},
      {"start-on",
       "What starts each chip of --repeat or a gang, the first included: countdown (the "
       "default), enter (a key on the terminal), cts, dsr, dcd or ri (the input line becomes "
       "active: the fixture closed; it must open again before the next chip) or cmd "
       "(--start-cmd).",
       "SIGNAL"},
      {"start-cmd",
       "With --start-on cmd: the shell command that starts each chip by exiting 0; any other "
       "exit ends the run cleanly.",
       "CMD"},
  });
  QCommandLineOption portIndex("port-index", "The port's place in a gang.", "N");
  portIndex.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(portIndex);
}

namespace {

std::optional<int> readStartSignal(const QCommandLineParser& parser, const QStringList& args,
                                   FixtureArguments* fixture) {
  if (parser.isSet("start-on")) {
    const auto start =
        qrk::startSignalNamed(parser.value("start-on").trimmed().toLower().toStdString());
    if (!start) {
      return usageError(args, "--start-on takes countdown, enter, cts, dsr, dcd, ri or cmd, not '" +
                                  parser.value("start-on") + "'");
    }
    fixture->start = *start;
  }
  const bool byCommand = fixture->start.kind == qrk::StartSignal::Kind::Command;
  fixture->start.command = parser.value("start-cmd").trimmed().toStdString();
  if (byCommand && fixture->start.command.empty()) {
    return usageError(args, "--start-on cmd needs --start-cmd CMD");
  }
  if (!byCommand && parser.isSet("start-cmd")) {
    return usageError(args, "--start-cmd goes with --start-on cmd");
  }
  fixture->start.portIndex = fixture->supply.portIndex;
  return std::nullopt;
}

}  // namespace

std::optional<int> readFixtureArguments(const QCommandLineParser& parser, const QStringList& args,
                                        FixtureArguments* fixture) {
  if (parser.isSet("port-index")) {
    bool ok = false;
    const int index = parser.value("port-index").toInt(&ok);
    if (!ok || index < 0) return usageError(args, "--port-index takes a whole number from 0");
    fixture->supply.portIndex = index;
  }
  if (auto status = readStartSignal(parser, args, fixture)) return status;
  const bool commandsGiven = parser.isSet("power-on-cmd") || parser.isSet("power-off-cmd");
  if (!parser.isSet("power")) {
    if (commandsGiven) {
      return usageError(args, "--power-on-cmd and --power-off-cmd go with --power cmd");
    }
    if (parser.isSet("power-off-ms")) return usageError(args, "--power-off-ms goes with --power");
    return std::nullopt;
  }
  const QString name = parser.value("power").trimmed().toLower();
  const auto supply = qrk::supplySwitchNamed(name.toStdString());
  if (!supply || supply->kind == qrk::SupplySwitch::Kind::None) {
    return usageError(args, "--power takes dtr, rts, dtr-low, rts-low or cmd, not '" +
                                parser.value("power") + "'");
  }
  const int portIndex = fixture->supply.portIndex;
  fixture->supply = *supply;
  fixture->supply.portIndex = portIndex;
  if (supply->kind == qrk::SupplySwitch::Kind::Command) {
    fixture->supply.onCommand = parser.value("power-on-cmd").trimmed().toStdString();
    fixture->supply.offCommand = parser.value("power-off-cmd").trimmed().toStdString();
    if (fixture->supply.onCommand.empty() || fixture->supply.offCommand.empty()) {
      return usageError(args, "--power cmd needs both --power-on-cmd CMD and --power-off-cmd CMD");
    }
  } else if (commandsGiven) {
    return usageError(args, "--power-on-cmd and --power-off-cmd go with --power cmd");
  }
  if (parser.isSet("power-off-ms")) {
    bool ok = false;
    const int ms = parser.value("power-off-ms").trimmed().toInt(&ok);
    if (!ok || ms < 0 || ms > 60'000) {
      return usageError(args, "--power-off-ms takes milliseconds from 0 to 60000");
    }
    fixture->supply.offMs = ms;
  }
  return std::nullopt;
}

}  // namespace qrkcli
