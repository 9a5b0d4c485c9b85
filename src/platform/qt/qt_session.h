#pragma once

#include <memory>

#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/host.h"
#include "platform/qt/qt_command_runner.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/settings_store.h"

namespace qrk {

// One programmer on the Qt platform: the serial port, the event loop of the
// running QCoreApplication, the Programmer built on them (with the saved
// settings loaded) and the production loop whose Run, Re-Run and Stop drive
// it. The window and every command-line run build their state from one
// session; several sessions, each with its own port and host, can live side
// by side in one process.
//
// The settings store and the host are the caller's and must outlive the
// session. Needs a QCoreApplication.
class QtSession {
 public:
  QtSession(SettingsStore& settings, Host& host);
  QtSession(const QtSession&) = delete;
  QtSession& operator=(const QtSession&) = delete;

  Programmer& programmer() { return programmer_; }
  const Programmer& programmer() const { return programmer_; }
  ProductionLoop& productionLoop() { return productionLoop_; }
  QtSerialPort& port() { return port_; }
  QtEventLoop& loop() { return loop_; }

 private:
  QtSerialPort port_;
  QtEventLoop loop_;
  QtCommandRunner commands_;
  Programmer programmer_;
  ProductionLoop productionLoop_;
};

}  // namespace qrk
