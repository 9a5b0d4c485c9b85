#pragma once

#include <functional>
#include <memory>

#include "platform/event_loop.h"

namespace qrk {

// The settings timer `Timer3`: a change of a watched control starts a 100 ms
// one-shot timer, so that a burst of changes costs one save; the tick saves
// every setting, refreshes the memory map and then, when the change may have
// moved the memory map, runs the reload check.
//
// Two rules keep the reload check honest:
// - A change that can move the memory map (model, ISP space, fill byte) is
//   checked at the next tick even when a change that cannot (port, baud, ...)
//   followed it within the same 100 ms and cleared the flag.
// - A tick that falls inside a run saves and refreshes, but the check waits
//   until runEnded() says the run (or the whole Re-Run loop) is over: it must
//   never reset the image a run is programming. It then runs once, unless the
//   window is closing.
class SettingsTicker {
 public:
  static constexpr int kIntervalMs = 100;

  struct Steps {
    std::function<void()> save;           // saves every setting
    std::function<void()> showMemoryMap;  // refreshes the memory-map boxes
    std::function<void()> checkReload;    // the reload check
    std::function<bool()> runActive;      // a run holds the controls now
  };

  // What a change can do to the loaded image.
  enum class Change {
    MayMoveMemoryMap,  // model, ISP space, fill byte: check the image at the tick
    KeepsMemoryMap,    // everything else: clears the reload-check flag
  };

  SettingsTicker(EventLoop& loop, Steps steps);
  SettingsTicker(const SettingsTicker&) = delete;
  SettingsTicker& operator=(const SettingsTicker&) = delete;

  // A watched control changed: (re)starts the timer.
  void changed(Change change);
  // Clears the reload-check flag without starting the timer.
  void disarmReloadCheck();
  // Shut-down: clears the flag and any pending or deferred check, and starts
  // the timer with `intervalMs` so the last save follows a pending reply time-out.
  void startClosing(int intervalMs);
  // A run (or Re-Run loop) returned: runs the check a tick inside it deferred.
  void runEnded();

  bool pending() const;
  bool reloadCheckArmed() const { return armed_; }
  bool reloadCheckDeferred() const { return deferred_; }
  bool closing() const { return closing_; }

 private:
  void tick();

  Steps steps_;
  std::unique_ptr<Timer> timer_;
  bool armed_ = true;  // true after start-up and after every tick
  bool mapMayHaveMoved_ = false;
  bool deferred_ = false;
  bool closing_ = false;
};

}  // namespace qrk
