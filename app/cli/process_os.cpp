#include "process_os.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif
#endif

namespace qrkcli {

#if defined(_WIN32)

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::string readTerminalLine(std::size_t maxLength) {
  // A console's Ctrl-C makes the pending read return nothing.
  std::string line;
  char c = 0;
  while (_read(_fileno(stdin), &c, 1) == 1 && c != '\n') {
    if (line.size() < maxLength) line += c;
  }
  return line;
}

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

std::string readTerminalLine(std::size_t maxLength) {
  std::string line;
  for (;;) {
    // poll() ends at Ctrl-C whatever the handler's flags, where a read might
    // be restarted and wait on.
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (::poll(&in, 1, -1) != 1) break;
    char c = 0;
    if (::read(STDIN_FILENO, &c, 1) != 1 || c == '\n') break;
    if (line.size() < maxLength) line += c;
  }
  return line;
}

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
