#pragma once

#include <string>

namespace qrk {

// The choices of the ISP DEMO page, as its controls hold them. The defaults
// are the window's first start. Texts stay texts: the lists are editable and
// the builder judges what was typed.
struct IspDemoSettings {
  std::string crystalMhzText = "11.0592";  // `comb_oscillate_frequency`
  std::string baudText = "38400";          // `comb_ISP_buad`
  bool parity = true;                      // `opt_ISP_DEMO_parity`: (0) "YES"
  bool eraseDataFlash = true;              // `optISP_DEMO_erase_data`: (0) "YES"
  bool watchdogPin = false;                // `opt_ISP_DEMO_WDT`: (1) "用1个I/O口喂狗"
  std::string watchdogPortText = "P1";     // `comb_ISP_DEMO_WDT(0)`
  std::string watchdogBitText = "0";       // `comb_ISP_DEMO_WDT(1)`
  bool rs485Pin = false;                   // `opt_485_pin`: (1) "用1个I/O口控制"
  std::string rs485PortText = "P1";        // `comb_485_pin(0)`
  std::string rs485BitText = "1";          // `comb_485_pin(1)`
  // `opt_485_logic`: false for (0) "高电平发送,低接收" (high level sends),
  // true for (1) "高接收,低发送" (high level receives).
  bool rs485HighReceives = false;
};

}  // namespace qrk
