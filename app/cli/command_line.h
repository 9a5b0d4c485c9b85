#pragma once

#include <QCommandLineParser>
#include <QString>
#include <optional>
#include <string>

#include "device/mcu_model.h"

namespace qrkcli {

// Parses a subcommand's arguments. Returns an exit status when the command
// must end here: 0 after printing --help to stdout, 2 after one line about a
// bad argument on stderr; nullopt when the command should go on.
std::optional<int> parseArguments(QCommandLineParser& parser, const QStringList& args,
                                  const QString& description);

// Prints "qrkprog <command>: <message>" on stderr and returns the bad-usage
// status.
int usageError(const QStringList& args, const QString& message);

// The catalogue row of a model name (exact, as the window matches it).
// nullptr with a message naming the close match, if any, otherwise.
const qrk::McuModel* findModelOrExplain(const QString& name, QString* error);

// The model of a command that takes no positional argument and cannot do
// without --model NAME; nullptr, with the bad-usage status in *status, when
// the words are off or the name is no model.
const qrk::McuModel* requiredModel(const QCommandLineParser& parser,
                                   const QCommandLineOption& model, const QStringList& args,
                                   int* status);

}  // namespace qrkcli
