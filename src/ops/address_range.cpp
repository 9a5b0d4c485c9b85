#include "ops/address_range.h"

#include "platform/text.h"

namespace qrk {

bool checkLinkRange(MessagePane& pane, std::int32_t first, std::int32_t last) {
  if (first < 0 || last < first) {
    pane.append("\r\nThe address range " + upperHex(first, 6) + "H - " + upperHex(last, 6) +
                "H is empty!\r\n地址范围为空！");
    return false;
  }
  if (last > kLinkAddressLimit) {
    // Sending it would cut the address to 16 bits and overwrite the start of the chip.
    pane.append("\r\nAddress " + upperHex(last, 6) + "H is beyond " +
                upperHex(kLinkAddressLimit, 6) + "H, the last address the ISP link can reach!" +
                "\r\n地址超出 ISP 通讯可寻址的范围 (" + upperHex(kLinkAddressLimit, 6) + "H)！");
    return false;
  }
  return true;
}

}  // namespace qrk
