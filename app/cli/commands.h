#pragma once

#include <QStringList>

// One function per qrkprog subcommand. Each takes the arguments after the
// subcommand name (the first element names the command, as argv[0] would)
// and returns the process exit status.
namespace qrkcli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;  // the operation failed or was stopped
inline constexpr int kExitUsage = 2;   // bad usage or bad input

int modelsCommand(const QStringList& args);
int optionsCommand(const QStringList& args);
int runCommand(const QStringList& args);
int infoCommand(const QStringList& args);
int storeCommand(const QStringList& args);
int baudCommand(const QStringList& args);
int demoBuildCommand(const QStringList& args);
int demoWriteCommand(const QStringList& args);
int boardImageCommand(const QStringList& args);
int boardDownloadCommand(const QStringList& args);
int portsCommand(const QStringList& args);
int gangCommand(const QStringList& args);
int logCommand(const QStringList& args);

}  // namespace qrkcli
