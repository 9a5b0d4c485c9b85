#pragma once

#include <QObject>
#include <QSerialPort>
#include <functional>
#include <memory>

namespace qrk {

// Hears of changes of a serial port's input lines (CTS, DSR, DCD, RI) without
// polling: QSerialPort reports no such change, so a helper thread sleeps in
// the driver until a line moves and passes the news to the event thread.
// Available on Linux; elsewhere create() gives nullptr and a caller refuses
// what needs it.
class ModemLineWatcher : public QObject {
 public:
  // Watches the open `port`; `changed` runs on the calling (event) thread
  // after every change the driver reports, and once more when the driver
  // stops reporting (the port went away).
  static std::unique_ptr<ModemLineWatcher> create(const QSerialPort& port,
                                                  std::function<void()> changed);
  ~ModemLineWatcher() override;

 private:
  struct Thread;
  ModemLineWatcher(std::function<void()> changed);
  std::function<void()> changed_;
  std::unique_ptr<Thread> thread_;
};

}  // namespace qrk
