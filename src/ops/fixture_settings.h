#pragma once

#include "ops/start_signal.h"
#include "ops/target_supply.h"
#include "platform/settings_store.h"

namespace qrk {

// The window's fixture: how the programmer switches the target's supply and
// what starts each chip of a Re-Run. Saved under keys of their own, so that
// a settings file from before them loads as it did: no supply switching, the
// countdown between chips.
//   "FixtureSupply"       none, dtr, rts, dtr-low, rts-low or cmd (the command line's words)
//   "FixturePowerOnCmd"   the shell command that switches the supply on (cmd)
//   "FixturePowerOffCmd"  the shell command that switches it off (cmd)
//   "FixtureStart"        countdown, cts, dsr, dcd or ri
struct FixtureSettings {
  static constexpr const char* kSection = "Settings";

  SupplySwitch supply;
  StartSignal start;

  // A damaged value reads as its default; a start signal the window does
  // not offer (a key, a command) reads as the countdown.
  void load(const SettingsStore& settings);
  void save(SettingsStore& settings) const;
};

}  // namespace qrk
