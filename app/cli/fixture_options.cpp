#include "fixture_options.h"

#include "command_line.h"
#include "number_arguments.h"

namespace qrkcli {

void addPowerOptions(QCommandLineParser& parser) {
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
  });
}

void addFixtureOptions(QCommandLineParser& parser) {
  addPowerOptions(parser);
  parser.addOptions({
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
    const QString typed = parser.value("port-index");
    const auto index = parseWholeArgument(typed, 0, 999);
    if (!index) return usageError(args, numberRefusal("--port-index", "a whole number", typed));
    fixture->supply.portIndex = static_cast<int>(*index);
  }
  if (auto status = readStartSignal(parser, args, fixture)) return status;
  return readPowerArguments(parser, args, &fixture->supply);
}

std::optional<int> readPowerArguments(const QCommandLineParser& parser, const QStringList& args,
                                      qrk::SupplySwitch* supplySwitch) {
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
  const int portIndex = supplySwitch->portIndex;
  *supplySwitch = *supply;
  supplySwitch->portIndex = portIndex;
  if (supply->kind == qrk::SupplySwitch::Kind::Command) {
    supplySwitch->onCommand = parser.value("power-on-cmd").trimmed().toStdString();
    supplySwitch->offCommand = parser.value("power-off-cmd").trimmed().toStdString();
    if (supplySwitch->onCommand.empty() || supplySwitch->offCommand.empty()) {
      return usageError(args, "--power cmd needs both --power-on-cmd CMD and --power-off-cmd CMD");
    }
  } else if (commandsGiven) {
    return usageError(args, "--power-on-cmd and --power-off-cmd go with --power cmd");
  }
  if (parser.isSet("power-off-ms")) {
    const QString typed = parser.value("power-off-ms");
    const auto ms = parseWholeArgument(typed, 0, 60'000);
    if (!ms)
      return usageError(args,
                        numberRefusal("--power-off-ms", "milliseconds from 0 to 60000", typed));
    supplySwitch->offMs = static_cast<int>(*ms);
  }
  return std::nullopt;
}

}  // namespace qrkcli
