#pragma once

#include <array>
#include <string>
#include <string_view>

#include "ui/isp_demo_choices.h"
#include "ui/port_list.h"

namespace qrk {

// What the window's widgets bind to beyond what Programmer holds (the model,
// the option panel with the ISP Space list, the load choices, the production
// choices and the counter live there).
struct WindowState {
  static constexpr std::array<std::string_view, 1> kBaudEntries = {"115200"};

  std::string modelText;  // the text of `combMcuModel`, typed or chosen
  PortList ports;         // `combCommPort`
  int baudIndex = 0;      // `Combo1`
  IspDemoChoices ispDemo;
  std::string filePath;  // "FilePath": where the open dialog starts

  // The baud rate of `Combo1`'s choice; its one entry for any other position.
  int baudRate() const;
};

}  // namespace qrk
