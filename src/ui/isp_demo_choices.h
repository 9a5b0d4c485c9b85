#pragma once

#include <array>
#include <string>
#include <string_view>

#include "ispdemo/baud_calculator.h"
#include "ispdemo/isp_demo_settings.h"

namespace qrk {

// The choices of the ISP DEMO page as the window's controls hold and store
// them: the crystal and the baud rate are editable lists, so their texts are
// kept as typed; the pin lists are positions, as the store has always kept
// them. The builder takes them as IspDemoSettings.
struct IspDemoChoices {
  // The calculator owns the crystal and baud lists.
  static constexpr auto kCrystalEntries = kIspDemoCrystalEntries;
  static constexpr auto kBaudEntries = kIspDemoBaudEntries;
  static constexpr std::array<std::string_view, 5> kPortEntries = {"P0", "P1", "P2", "P3", "P4"};
  static constexpr std::array<std::string_view, 8> kBitEntries = {"0", "1", "2", "3",
                                                                  "4", "5", "6", "7"};
  static constexpr int kDefaultCrystalIndex = 3;  // "11.0592"
  static constexpr int kDefaultBaudIndex = 6;     // "38400"

  std::string crystalText{kCrystalEntries[kDefaultCrystalIndex]};  // `comb_oscillate_frequency`
  std::string baudText{kBaudEntries[kDefaultBaudIndex]};           // `comb_ISP_buad`
  bool parityYes = true;                                           // `opt_ISP_DEMO_parity(0)` "YES"
  bool eraseDataYes = true;  // `optISP_DEMO_erase_data(0)` "YES"
  bool noWatchdog = true;    // `opt_ISP_DEMO_WDT(0)` "无"
  int watchdogPort = 1;      // `comb_ISP_DEMO_WDT(0)`: position in kPortEntries
  int watchdogBit = 0;       // `comb_ISP_DEMO_WDT(1)`: position in kBitEntries
  bool no485Pin = true;      // `opt_485_pin(0)` "无485"
  int rs485Port = 1;         // `comb_485_pin(0)`
  int rs485Bit = 1;          // `comb_485_pin(1)`
  int rs485Logic = 0;        // `opt_485_logic`: index of the selected button

  // List positions of the texts; -1 for a text the user typed that is not an entry.
  int crystalIndex() const;
  int baudIndex() const;

  friend bool operator==(const IspDemoChoices&, const IspDemoChoices&) = default;
};

// The page's choices as the ISP DEMO builder reads them.
IspDemoSettings toIspDemoSettings(const IspDemoChoices& choices);

}  // namespace qrk
