#include "qt/qt_command_runner.h"

#include <QProcessEnvironment>
#include <utility>

#if defined(Q_OS_UNIX)
#include <signal.h>
#include <unistd.h>
#endif

namespace qrk {

QtCommandRunner::~QtCommandRunner() { kill(); }

void QtCommandRunner::start(const std::string& command, const Environment& environment,
                            std::function<void(CommandExit)> onExit) {
  kill();
  process_ = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : environment) {
    env.insert(QString::fromStdString(name), QString::fromStdString(value));
  }
  process_->setProcessEnvironment(env);
  // The command's output is the user's to see, as if they had typed it.
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_->setStandardOutputFile(QProcess::nullDevice());
  process_->setStandardInputFile(QProcess::nullDevice());
#if defined(Q_OS_UNIX)
  process_->setChildProcessModifier([] { ::setpgid(0, 0); });
  const QString shell = QStringLiteral("/bin/sh");
  const QStringList arguments = {QStringLiteral("-c"), QString::fromStdString(command)};
#else
  const QString shell = QStringLiteral("cmd.exe");
  const QStringList arguments = {QStringLiteral("/c"), QString::fromStdString(command)};
#endif
  QProcess* process = process_.get();
  auto callback = std::make_shared<std::function<void(CommandExit)>>(std::move(onExit));
  QObject::connect(process, &QProcess::finished, process,
                   [callback](int code, QProcess::ExitStatus status) {
                     CommandExit exit;
                     exit.crashed = status == QProcess::CrashExit;
                     exit.code = code;
                     if (*callback) std::exchange(*callback, nullptr)(exit);
                   });
  QObject::connect(process, &QProcess::errorOccurred, process,
                   [callback](QProcess::ProcessError error) {
                     if (error != QProcess::FailedToStart) return;
                     CommandExit exit;
                     exit.started = false;
                     if (*callback) std::exchange(*callback, nullptr)(exit);
                   });
  process->start(shell, arguments);
}

void QtCommandRunner::kill() {
  if (!process_) return;
  process_->disconnect();
  if (process_->state() != QProcess::NotRunning) {
#if defined(Q_OS_UNIX)
    const auto pid = static_cast<pid_t>(process_->processId());
    if (pid > 0) ::kill(-pid, SIGKILL);
#endif
    process_->kill();
    process_->waitForFinished(1000);
  }
  process_.reset();
}

}  // namespace qrk
