#pragma once

#include <memory>
#include <string>

#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/host.h"
#include "platform/settings_store.h"
#include "qt/qt_command_runner.h"
#include "qt/qt_event_loop.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_settings_store.h"
#include "qt/run_settings.h"

namespace qrk {

// One programmer on the Qt platform: its settings, the serial port, the event
// loop of the running QCoreApplication, the Programmer built on them (with
// the saved settings loaded) and the production loop whose Run, Re-Run and
// Stop drive it. The window and every command build their state from one
// session; several sessions, each with its own port and host, can live side
// by side in one process.
//
// The host is the caller's and must outlive the session. Needs a
// QCoreApplication.
class QtSession {
 public:
  // What the session keeps of the saved settings.
  enum class Keep {
    Everything,  // the window: every choice is saved
    // A command line: the saved choices are read, but only what the runs
    // advance (the success counter, the serial number) is written back, and
    // that only once startPersisting() is called.
    RunCounters,
    Nothing,  // neither read nor written: the session starts from the defaults
  };

  // `iniPath` names an INI file kept as `keep` says; empty, the per-user
  // store that the window and qrkprog share.
  QtSession(const std::string& iniPath, Keep keep, Host& host);
  QtSession(const QtSession&) = delete;
  QtSession& operator=(const QtSession&) = delete;

  Programmer& programmer() { return programmer_; }
  const Programmer& programmer() const { return programmer_; }
  ProductionLoop& productionLoop() { return productionLoop_; }
  QtSerialPort& port() { return port_; }
  const QtSerialPort& port() const { return port_; }
  QtEventLoop& loop() { return loop_; }

  // Keep::RunCounters: the runs proper begin; what they change is saved from
  // now on.
  void startPersisting() { runSettings_.setPersisting(true); }
  // Writes what was saved to disk; false with the reason when that failed.
  bool syncSettings(std::string* error);

 private:
  std::unique_ptr<QtSettingsStore> saved_;  // null for Keep::Nothing
  MemorySettingsStore defaults_;
  RunSettings runSettings_;
  QtSerialPort port_;
  QtEventLoop loop_;
  QtCommandRunner commands_;
  Programmer programmer_;
  ProductionLoop productionLoop_;
};

}  // namespace qrk
