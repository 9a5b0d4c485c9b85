#include "process_os.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif
#endif

namespace qrkcli {

#if defined(_WIN32)

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

void startInOwnGroup(QProcess& process, const QString& program, const QStringList& arguments) {
  // A new process group is what lets CTRL_BREAK_EVENT address this child alone.
  process.setCreateProcessArgumentsModifier(
      [](QProcess::CreateProcessArguments* args) { args->flags |= CREATE_NEW_PROCESS_GROUP; });
  process.start(program, arguments, QIODevice::ReadOnly);
}

void interruptChild(const QProcess& process) {
  if (process.state() != QProcess::NotRunning && process.processId() > 0) {
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(process.processId()));
  }
}

#else

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void startInOwnGroup(QProcess& process, const QString& program, const QStringList& arguments) {
  process.setChildProcessModifier([] {
    ::setpgid(0, 0);
#if defined(__linux__)
    // Should the parent die without passing a stop on, the run still stops.
    ::prctl(PR_SET_PDEATHSIG, SIGINT);
#endif
  });
  process.start(program, arguments, QIODevice::ReadOnly);
}

void interruptChild(const QProcess& process) {
  if (process.state() != QProcess::NotRunning && process.processId() > 0) {
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  }
}

#endif

}  // namespace qrkcli
