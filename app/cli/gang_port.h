#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace qrkcli {

// What the gang knows of one port, from its run's events.
struct GangPortState {
  QString name;    // as the user typed it
  QString device;  // the device path it resolved to
  int chips = 0;   // runs ended
  int succeeded = 0;
  int failed() const { return chips - succeeded; }
  QString phase;  // the step under way, empty between chips
  qint64 bytes = 0;
  qint64 total = 0;
  QString lastResult;       // "OK", "FAILED in PHASE: REASON" or "stopped"
  QString firstFailure;     // "chip N: FAILED in ..." of the first failed chip
  QString failureCode;      // the reason code of that chip, else of the run's result
  QStringList failedChips;  // "chip N: FAILED in ..." of every failed or stopped chip
  QStringList errorLines;   // its stderr, kept for a run that never started
  bool finished = false;
  int exitCode = -1;  // the run's exit status once finished
};

// One port of a gang: a `qrkprog run ... --events json` child in its own
// process group (so a Ctrl-C on the terminal reaches only the gang, which
// passes exactly one on), its events read as they arrive.
class GangPort {
 public:
  struct Listener {
    std::function<void(const GangPort&)> changed;
    std::function<void(const GangPort&, QJsonObject event)> event;
    std::function<void(const GangPort&, const QString& line)> errorLine;
    std::function<void(const GangPort&)> chipEnded;
    std::function<void(const GangPort&)> finished;
  };

  GangPort(QString name, QString device, Listener listener);
  GangPort(const GangPort&) = delete;
  GangPort& operator=(const GangPort&) = delete;

  // Starts `program` with `arguments` (the port and --events json included).
  void start(const QString& program, const QStringList& arguments);
  // Ctrl-C for this port's run: it stops as the Stop button does.
  void interrupt();

  const GangPortState& state() const { return state_; }

 private:
  void readEvents();
  void readErrors();
  void takeEvent(const QJsonObject& event);
  void onFinished(int exitCode, QProcess::ExitStatus status);

  GangPortState state_;
  Listener listener_;
  QProcess process_;
  QByteArray events_;  // stdout not yet ended by a line break
  QByteArray errors_;
  bool sawResult_ = false;
};

}  // namespace qrkcli
