#include "ops/run_controls.h"

#include <algorithm>
#include <array>

namespace qrk {

namespace {

constexpr std::array<std::string_view, 36> kLocked = {
    "combMcuModel", "Combo2", "Option0", "Option1", "Option2", "Option3", "Option4", "Option5",
    "Option6", "Option7", "Text4", "optFillbyte", "comLoadFile", "Check6",
    "comb_oscillate_frequency", "comb_ISP_buad", "opt_ISP_DEMO_parity", "optISP_DEMO_erase_data",
    "LabISP_DEMO_erase_data", "opt_ISP_DEMO_WDT", "Lab_ISP_DEMO_WDT", "comb_ISP_DEMO_WDT",
    "opt_485_pin", "Lab_485_pin", "comb_485_pin", "opt_485_logic", "Lab_485_logic", "comDownload",
    "comReDownload", "com_write_ISP_demo", "com_re_write_ISP_demo", "comTJXZ", "txt_download_max",
    // The serial-number inputs change what the next chip receives.
    "cheAuto_Increase", "texAuto_Increase", "optAuto_Increase"};

}  // namespace

std::span<const std::string_view> lockedControls() { return kLocked; }

bool isLockedDuringRun(std::string_view controlName) {
  return std::find(kLocked.begin(), kLocked.end(), controlName) != kLocked.end();
}

bool controlEnabled(std::string_view name, const RunControls& controls,
                    const UnlockConditions& conditions) {
  if (name == "comStop_Download") return controls.stopEnabled;
  if (!isLockedDuringRun(name)) return true;
  if (controls.locked) return false;
  if (name == "optISP_DEMO_erase_data" || name == "LabISP_DEMO_erase_data") {
    return !conditions.apUpToIsp;
  }
  if (name == "comb_ISP_DEMO_WDT") return !conditions.wdtNoneSelected;
  if (name == "comb_485_pin" || name == "opt_485_logic" || name == "Lab_485_logic") {
    return !conditions.no485PinSelected;
  }
  return true;
}

}  // namespace qrk
