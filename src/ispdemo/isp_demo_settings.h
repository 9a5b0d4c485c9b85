#pragma once

#include <string>

namespace qrk {

// The choices of the ISP DEMO page, as its controls hold them. The defaults
// are the window's first start. Texts stay texts: the lists are editable and
// the builder judges what was typed.
struct IspDemoSettings {
  std::string crystalMhzText = "11.0592";
  std::string baudText = "38400";
  bool parity = true;
  bool eraseDataFlash = true;
  bool watchdogPin = false;
  std::string watchdogPortText = "P1";
  std::string watchdogBitText = "0";
  bool rs485Pin = false;
  std::string rs485PortText = "P1";
  std::string rs485BitText = "1";
  // The direction pin's level: false when a high level sends, true when it
  // receives.
  bool rs485HighReceives = false;
};

}  // namespace qrk
