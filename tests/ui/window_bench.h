#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/settings_store.h"
#include "sim/simulated_port.h"
#include "support/listing_store.h"
#include "support/recording_host.h"
#include "ui/window_model.h"
#include "ui/window_settings.h"

namespace qrk::test {

// An ISP DEMO page with every choice away from its first-start value, one
// that builds: 22.1184 MHz at 57600 baud, no parity, a watchdog on P3.6 and
// the RS-485 direction on P0.3, high level receiving.
inline IspDemoChoices unusualDemoPage() {
  return {.crystalText = "22.1184",
          .baudText = "57600",
          .parityYes = false,
          .eraseDataYes = false,
          .noWatchdog = false,
          .watchdogPort = 3,
          .watchdogBit = 6,
          .no485Pin = false,
          .rs485Port = 0,
          .rs485Bit = 3,
          .rs485Logic = 1};
}

// The window's model on a simulated kind-2 chip under virtual time, over a
// store that outlives it, so that a second bench on the same store is a
// restart. Reload checks are recorded with whether a run held the controls.
struct WindowBench {
  explicit WindowBench(ListingStore& store, sim::DeviceOptions options = {})
      : settings(store), sim("QRK5-04A", std::move(options)) {
    window.setViewRefresh([this] { ++ticks; });
    window.setReloadCheck([this] {
      checks.push_back(window.runActive());
      return programmer.checkReload();
    });
  }
  // Start-up and its first tick.
  WindowBench& started() {
    window.start();
    advanceMs(SettingsTicker::kIntervalMs);
    ticks = 0;
    checks.clear();
    return *this;
  }
  void advanceMs(std::int64_t ms) { sim.loop.advanceMs(ms); }

  ListingStore& settings;
  sim::SimulatedTarget sim;
  RecordingHost host;
  Programmer programmer{sim.port, sim.loop, settings, host};
  ProductionLoop production{programmer};
  WindowModel window{programmer, production};
  int ticks = 0;
  std::vector<bool> checks;
};

// One life of the window on `store`: start-up, `actions`, and the settings
// tick that saves what they changed. A bench made afterwards is the restart.
inline void session(ListingStore& store, const std::function<void(WindowBench&)>& actions) {
  WindowBench b(store);
  b.started();
  actions(b);
  b.advanceMs(SettingsTicker::kIntervalMs);
}

}  // namespace qrk::test
