#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/mcu_model.h"

namespace qrk {

// The four memory-map boxes under "AP Memory    ISP Memory":
// AP first and AP end as 4 hex digits, ISP start and ISP end as 5 hex digits, both
// ISP boxes empty when the model has no ISP area at the chosen size.
struct MemoryMapTexts {
  std::string apFirst;
  std::string apEnd;
  std::string ispStart;
  std::string ispEnd;
};

// The limits every consumer reads back from the boxes.
struct MemoryLimits {
  std::int32_t apEnd = 0;
  std::int32_t ispStart = 0;
  std::int32_t ispEnd = 0;
};

// The ISP Space text ("1.5k", "4.0k") in bytes: its size in K (as
// ispSpaceKilobytes reads it) times 1024, truncated. Empty, non-numeric or
// negative texts count as 0; a size larger
// than the model's space is cut so that the ISP area still starts at address 1 or
// above, since no address may go negative.
std::int32_t ispSpaceBytes(std::string_view ispSpaceText, std::int32_t topAddress);

// What the boxes show for the selected model and ISP Space text.
MemoryMapTexts memoryMapTexts(const SelectedModel& model, std::string_view ispSpaceText);

// Reads the limits back from the box texts; with the ISP boxes empty the ISP area
// is taken as lying just above the model's space (start = top + 1, end = top).
MemoryLimits readLimits(const MemoryMapTexts& boxes, const SelectedModel& model);

// The buffer start address text ("Buffer Start Address(HEX):"): up to five
// hexadecimal digits after trimming, no prefix; an empty text reads as 0. Anything
// else is no address.
std::optional<std::int32_t> parseStartAddress(std::string_view text);

// The verdict of the start-address check. The loaders take `address` from here, so
// the text is read once and the check and the loads always agree on it.
struct StartAddressCheck {
  bool accepted = false;
  std::int32_t address = 0;  // valid when accepted
  std::string message;       // the message box text when refused
};

inline constexpr std::string_view kStartOutOfScopeMessage =
    "Buffer Start Address Outrun the valid scope. \r\n       缓冲区起始地址超出有效空间。";
inline constexpr std::string_view kStartMalformedMessage =
    "Buffer Start Address must be 1 to 5 hexadecimal digits. \r\n"
    "       缓冲区起始地址必须是1到5位十六进制数。";

// Refuses a malformed text, an address above the ISP end, and on kinds 0 and 1 an
// address in the gap between the AP end and the upper block.
StartAddressCheck checkStartAddress(std::string_view startText, const MemoryLimits& limits,
                                    const SelectedModel& model);

}  // namespace qrk
