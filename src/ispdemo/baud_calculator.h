#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace qrk {

// The entries of the ISP DEMO page's crystal list (MHz)
// and baud list, in list order. Both lists are editable:
// any typed text is read as a number.
inline constexpr std::array<std::string_view, 12> kIspDemoCrystalEntries = {
    "4.0000",  "6.0000",  "10.0000", "11.0592", "12.0000", "18.4320",
    "20.0000", "22.1184", "24.0000", "33.0000", "40.0000", "44.1368"};
inline constexpr std::array<std::string_view, 9> kIspDemoBaudEntries = {
    "2400", "4800", "9600", "14400", "19200", "28800", "38400", "57600", "115200"};

// How usable a setting is, as the error label is coloured: red (RGB 255,0,0)
// cannot be used, yellow (255,255,0) is marginal, normal is the button face.
enum class BaudColour { Normal, Yellow, Red };
std::string_view baudColourName(BaudColour colour);  // "normal", "yellow", "red"

// The baud-rate error label.
struct BaudLabel {
  std::string caption = "   %";
  BaudColour colour = BaudColour::Normal;
};

// One calculation. `divisor` is the Timer 2 divisor D that was found (also
// when the setting is red); `usable` says whether the firmware may be built
// with it. Without a divisor the setting could not be computed at all and
// `refusal` says why.
struct BaudCalculation {
  std::optional<int> divisor;
  float errorPercent = 0.0f;
  BaudColour colour = BaudColour::Normal;
  std::string caption;  // the label's caption, leading space and "%" included
  std::string refusal;  // empty when a divisor was found
  bool usable() const { return divisor.has_value() && colour != BaudColour::Red; }
};

// The UART runs from Timer 2 as baud-rate generator: rate = crystal / 32 / D,
// with Timer 2 reloading 65536 - D. The arithmetic is done in 32-bit floats,
// as the label has always shown it, so the captions keep their last digits.
// A crystal or baud text that is not a positive number, and a divisor that
// does not fit the two reload bytes (above 65535), give no divisor.
BaudCalculation computeIspBaud(std::string_view crystalMhzText, std::string_view baudText);

// The calculator behind the label: D when the setting is usable, else 0. The
// label takes the caption and colour of every setting that has a divisor and
// is left as it was otherwise.
int calcIspBaud(std::string_view crystalMhzText, std::string_view baudText, BaudLabel& label);

// A typed number as the page reads its lists: the number the trimmed text
// starts with ("11.0592", "38400 baud"), 0 when it starts with none.
double leadingDecimal(std::string_view text);

}  // namespace qrk
