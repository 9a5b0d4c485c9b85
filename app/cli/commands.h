#pragma once

#include <QStringList>

// One function per qrkprog subcommand. Each takes the arguments after the
// subcommand name and returns the process exit status: 0 success, 1 the
// operation failed or was stopped, 2 bad usage or bad input.
namespace qrkcli {

int modelsCommand(const QStringList& args);
int optionsCommand(const QStringList& args);
int runCommand(const QStringList& args);
int infoCommand(const QStringList& args);
int storeCommand(const QStringList& args);

}  // namespace qrkcli
