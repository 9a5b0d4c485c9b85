#pragma once

#include <cstdint>
#include <string>

#include "device/option_panel.h"

namespace qrk {

// The target's two option bytes. A protection bit is 1 for "NO" and 0 for
// "YES"; the layout depends on the model's map kind, and kind 0 has none
// (both bytes 0).
struct OptionBytes {
  std::uint8_t byte1 = 0;
  std::uint8_t byte2 = 0;
  friend bool operator==(const OptionBytes&, const OptionBytes&) = default;
};

// The option bytes the panel's choices and ISP Space stand for.
std::uint8_t composeOptionByte1(const OptionPanel& panel, MapKind mapKind);
std::uint8_t composeOptionByte2(const OptionPanel& panel, MapKind mapKind);
OptionBytes composeOptionBytes(const OptionPanel& panel, MapKind mapKind);

// The report of option bytes read from a chip, as appended to the message
// pane: "ISP space = ..." and one line per bit, CR LF between lines, no break
// before the first or after the last. Empty for kind 0.
std::string optionReportText(MapKind mapKind, std::uint8_t b1, std::uint8_t b2);

// Shows option bytes read from a chip in the read-back labels. Kind 0 leaves
// them alone, and kind 1 leaves the hidden oscillator label alone.
void reportOptionLabels(OptionPanel& panel, MapKind mapKind, std::uint8_t b1, std::uint8_t b2);

}  // namespace qrk
