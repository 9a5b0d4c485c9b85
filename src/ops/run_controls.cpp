#include "ops/run_controls.h"

namespace qrk {

bool lockableEnabled(Lockable what, const RunControls& controls,
                     const UnlockConditions& conditions) {
  if (controls.locked) return false;
  switch (what) {
    case Lockable::DemoDataFlashErase:
      return !conditions.apUpToIsp;
    case Lockable::DemoWatchdogPin:
      return !conditions.wdtNoneSelected;
    case Lockable::DemoDirectionPin:
    case Lockable::DemoDirectionLevel:
      return !conditions.no485PinSelected;
    default:
      return true;
  }
}

}  // namespace qrk
