#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <optional>

#include "ops/start_signal.h"
#include "ops/target_supply.h"

namespace qrkcli {

// The fixture a production run drives: how the target's supply is switched
// (--power and its companions) and what starts each chip (--start-on).
struct FixtureArguments {
  qrk::SupplySwitch supply;
  qrk::StartSignal start;
};

// Adds --power, --power-on-cmd, --power-off-cmd and --power-off-ms.
void addPowerOptions(QCommandLineParser& parser);
// Adds the power options, --start-on, --start-cmd and the hidden --port-index
// a gang gives each port's run.
void addFixtureOptions(QCommandLineParser& parser);

// Reads them; an exit status (2, after one line on stderr) when they do not
// fit together.
std::optional<int> readFixtureArguments(const QCommandLineParser& parser, const QStringList& args,
                                        FixtureArguments* fixture);
// The power options alone, into `supplySwitch` (its port index kept).
std::optional<int> readPowerArguments(const QCommandLineParser& parser, const QStringList& args,
                                      qrk::SupplySwitch* supplySwitch);

}  // namespace qrkcli
