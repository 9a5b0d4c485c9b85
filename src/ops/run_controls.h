#pragma once

namespace qrk {

// What a run locks, as plain data the window binds to. While `locked` holds,
// every Lockable is disabled, starting another run included; Stop is enabled
// only while there is something to stop.
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
  bool wdtNoneSelected = true;   // the ISP DEMO has no external watchdog
  bool no485PinSelected = true;  // the ISP DEMO drives no RS-485 direction pin
};

// What a run holds still: the choices that decide what the next chip receives
// and the commands that would start another run. The port, the baud rate, the
// function lists and Stop are not among them.
enum class Lockable {
  ModelChoice,
  IspSpace,
  OptionChoices,
  StartAddress,
  FillByte,
  FileOpening,
  ClearBuffer,
  DemoCrystal,
  DemoBaud,
  DemoParity,
  DemoDataFlashErase,  // follows whether the AP area reaches the ISP area
  DemoWatchdog,
  DemoWatchdogPin,  // follows the watchdog choice
  DemoDirectionPinChoice,
  DemoDirectionPin,    // follows the direction-pin choice
  DemoDirectionLevel,  // follows the direction-pin choice
  RunStart,            // Run and Re-Run
  DemoWriteStart,
  BoardDownload,
  BoardChipLimit,
  SerialNumbering,  // changes what the next chip receives
  FixtureChoices,   // how the supply is switched and each chip started
};

// Whether what `what` stands for can be used: never while a run holds the
// controls; afterwards the few that follow a choice follow it.
bool lockableEnabled(Lockable what, const RunControls& controls,
                     const UnlockConditions& conditions);

}  // namespace qrk
