#include "english_texts.h"

#include <utility>

#include "cli_host.h"
#include "image/auto_increment.h"
#include "ispdemo/isp_demo_builder.h"
#include "ispdemo/isp_demo_writer.h"
#include "offline/limit_counter.h"

namespace qrkcli {

namespace {

using Ai = qrk::AutoIncrement;

// One row per text the window shows in Chinese only.
const std::pair<std::string_view, std::string_view> kEnglish[] = {
    {Ai::kAddressTooBig,
     "The serial number's address lies beyond the chip's AP area: give --serial-address HEX, "
     "the address of the field's last byte, inside it."},
    {Ai::kAddressTooSmall,
     "The serial number's field would begin below address 0: give a higher --serial-address "
     "or fewer --serial-bytes."},
    {Ai::kNextNotDecimal,
     "The serial number's next value is not a decimal number: give --serial-next N."},
    {Ai::kHexTooWide,
     "In hex format the serial number's field holds at most 4 bytes: give --serial-bytes 4 or "
     "less, or another --serial-format."},
    {Ai::kHexValueTooBig,
     "In hex format the next value must be below 2147483648: give a smaller --serial-next."},
    {Ai::kAddressNotHex,
     "The serial number's address is not hexadecimal: give --serial-address HEX."},
    {Ai::kLengthInvalid, "The serial number's field needs a width above 0: give --serial-bytes N."},
    {Ai::kIncrementInvalid,
     "The serial number's step is not a whole decimal number: give --serial-step N."},
    {Ai::kValueTooLarge,
     "The next value does not fit the serial number's field: give more --serial-bytes or a "
     "smaller --serial-next."},
    {Ai::kAdvanceOverflow,
     "The next serial number no longer fits its field, so numbering stopped: give more "
     "--serial-bytes or a new --serial-next."},
    {qrk::kLimitTooSmallMessage,
     "The download limit must be above 0: give --limit N, a whole number from 1 to 1000000."},
    {qrk::kLimitTooLargeMessage,
     "The download limit must be at most 1000000: give --limit N from 1 to 1000000."},
    {qrk::kDemoPinConflictText,
     "The watchdog pin and the RS-485 direction pin cannot be one pin: give --wdt and --rs485 "
     "different pins."},
    {qrk::kDemoWatchdogPinText,
     "The watchdog pin is not a pin of the chip: give --wdt none or a pin such as P1.0."},
    {qrk::kDemo485PortText,
     "The RS-485 direction pin's port is not a port of the chip: give --rs485 none or a pin "
     "such as P3.5."},
    {qrk::kDemo485BitText,
     "The RS-485 direction pin's bit is not 0 to 7: give --rs485 a pin such as P3.5."},
    {qrk::kDemoModelText,
     "The ISP DEMO is not made for this model: choose another --model ('qrkprog models' lists "
     "them)."},
    {qrk::kDemoOverlapText,
     "The file reaches into the ISP DEMO's kilobyte: what lies there is lost."},
    {qrk::kDemoHwbsQuestionText,
     "Should the chip start the ISP DEMO download program after a power-on reset?"},
};

}  // namespace

std::string_view englishFor(std::string_view windowText) {
  for (const auto& [chinese, english] : kEnglish) {
    if (chinese == windowText) return english;
  }
  return {};
}

std::string withEnglish(std::string_view windowText) {
  std::string text;
  const std::string_view english = englishFor(windowText);
  if (!english.empty()) text.append(english).append("\n");
  text += toLfLineBreaks(std::string(windowText));
  if (text.empty() || text.back() != '\n') text += '\n';
  return text;
}

}  // namespace qrkcli
