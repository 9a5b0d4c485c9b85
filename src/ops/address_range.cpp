#include "ops/address_range.h"

#include "platform/text.h"

namespace qrk {

Status checkLinkRange(MessagePane& pane, std::int32_t first, std::int32_t last) {
  if (first < 0 || last < first) {
    const Status empty =
        Status::failure(Reason::File, "The address range " + upperHex(first, 6) + "H - " +
                                          upperHex(last, 6) + "H is empty!");
    pane.append("\r\n" + empty.text + "\r\n地址范围为空！");
    return empty;
  }
  if (last > kLinkAddressLimit) {
    // Sending it would cut the address to 16 bits and overwrite the start of the chip.
    const Status beyond =
        Status::failure(Reason::File, "Address " + upperHex(last, 6) + "H is beyond " +
                                          upperHex(kLinkAddressLimit, 6) +
                                          "H, the last address the ISP link can reach!");
    pane.append("\r\n" + beyond.text + "\r\n地址超出 ISP 通讯可寻址的范围 (" +
                upperHex(kLinkAddressLimit, 6) + "H)！");
    return beyond;
  }
  return Status::success();
}

}  // namespace qrk
