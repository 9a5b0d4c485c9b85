#pragma once

#include <array>
#include <string_view>

#include "platform/settings_store.h"

namespace qrk {

// The production choices of a run: the success beep (key "BeepYesNo")
// and the Re-Run delay (
// key "Dalay_ReDownLoad", stored as the list position of its entry).
struct ProductionSettings {
  static constexpr const char* kSection = "Settings";
  static constexpr std::array<std::string_view, 8> kDelayEntries = {"9", "8", "7", "6",
                                                                    "5", "4", "3", "2"};
  static constexpr int kDefaultDelayIndex = 4;  // "5" seconds
  // After an Auto run that failed, so that a rejected chip is swapped quickly.
  static constexpr int kDelayAfterFailure = 2;

  bool beepOnSuccess = true;
  int delayIndex = kDefaultDelayIndex;
  // "SkipBlank": Program leaves out the blocks an erased, blank-checked chip
  // holds already. Off unless chosen: the bootloader's handling of blocks
  // that never come is not documented.
  bool skipBlank = false;

  // A position outside the list reads as the default: a delay below one
  // second would skip the countdown and with it every chance to stop.
  int delaySeconds() const;
  // Chooses the entry for `seconds`; false, choice unchanged, for other values.
  bool setDelaySeconds(int seconds);

  void load(const SettingsStore& settings);
  void save(SettingsStore& settings) const;
};

}  // namespace qrk
