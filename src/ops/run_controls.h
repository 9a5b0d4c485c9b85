#pragma once

#include <span>
#include <string_view>

namespace qrk {

// What a run locks, as plain data the window binds to. While `locked` holds,
// every control named by lockedControls() is disabled, Run and Re-Run
// included; Stop is enabled only while there is something to stop.
//
// Run and Re-Run are enabled again only when the run (or the Re-Run loop) has
// returned, never by Stop itself: a Run clicked while a stopped run is still
// winding down would start a second run inside the first.
struct RunControls {
  bool locked = false;
  bool stopEnabled = false;

  bool runEnabled() const { return !locked; }
  bool reRunEnabled() const { return !locked; }
};

// The governing choices of the controls that unlocking does not simply enable.
struct UnlockConditions {
  bool apUpToIsp = false;        // the selected model's AP area reaches the ISP area
  bool wdtNoneSelected = true;   // `opt_ISP_DEMO_WDT(0)` ("无")
  bool no485PinSelected = true;  // `opt_485_pin(0)` ("无485")
};

// The window's control names a run disables (each name stands for every
// control of its array: both buttons of an option pair, both lists of a port
// and bit pair). The port and baud lists, the function lists and Stop are not
// among them.
std::span<const std::string_view> lockedControls();
bool isLockedDuringRun(std::string_view controlName);

// Whether the named control is enabled: a locked one is disabled while a run
// holds the controls; afterwards the few that follow a choice follow it.
// Names that a run never locks are always enabled here ("comStop_Download"
// excepted, which follows `stopEnabled`).
bool controlEnabled(std::string_view controlName, const RunControls& controls,
                    const UnlockConditions& conditions);

}  // namespace qrk
