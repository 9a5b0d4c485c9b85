#include "image/memory_map.h"

#include <algorithm>

#include "device/isp_space.h"
#include "image/number_text.h"
#include "platform/text.h"

namespace qrk {

namespace {

// A box holds what this program wrote into it, so its last `digits` characters
// always read back; a damaged text counts as 0 rather than as a wild address.
std::int32_t readBox(std::string_view box, std::size_t digits) {
  std::string_view text = trimmed(box);
  if (text.size() > digits) text = text.substr(text.size() - digits);
  return static_cast<std::int32_t>(parseHexText(text).value_or(0));
}

}  // namespace

std::int32_t ispSpaceBytes(std::string_view ispSpaceText, std::int32_t topAddress) {
  const double kilobytes = ispSpaceKilobytes(ispSpaceText);
  if (kilobytes <= 0) return 0;
  const double bytes = kilobytes * 1024.0;
  const std::int32_t limit = std::max<std::int32_t>(0, topAddress);
  if (bytes >= static_cast<double>(limit)) return limit;
  return static_cast<std::int32_t>(bytes);
}

MemoryMapTexts memoryMapTexts(const SelectedModel& model, std::string_view ispSpaceText) {
  const std::int32_t ispBytes = ispSpaceBytes(ispSpaceText, model.topAddress);
  std::int32_t apEnd = model.apLast;
  std::int32_t ispStart = model.block1Start;
  if (model.mapKind != MapKind::FixedIspBlock) {
    ispStart = model.topAddress - ispBytes + 1;
    if (model.apUpToIsp) apEnd = ispStart - 1;
  }
  MemoryMapTexts boxes;
  boxes.apFirst = lastHexDigits(static_cast<std::uint32_t>(model.apFirst), 4);
  boxes.apEnd = lastHexDigits(static_cast<std::uint32_t>(apEnd), 4);
  if (ispStart < model.topAddress) {
    boxes.ispStart = lastHexDigits(static_cast<std::uint32_t>(ispStart), 5);
    boxes.ispEnd = lastHexDigits(static_cast<std::uint32_t>(model.topAddress), 5);
  }
  return boxes;
}

MemoryLimits readLimits(const MemoryMapTexts& boxes, const SelectedModel& model) {
  MemoryLimits limits;
  limits.apEnd = readBox(boxes.apEnd, 4);
  if (!trimmed(boxes.ispStart).empty()) {
    limits.ispStart = readBox(boxes.ispStart, 5);
    limits.ispEnd = readBox(boxes.ispEnd, 5);
  } else {
    limits.ispStart = model.topAddress + 1;
    limits.ispEnd = model.topAddress;
  }
  return limits;
}

std::optional<std::int32_t> parseStartAddress(std::string_view text) {
  const std::string_view digits = trimmed(text);
  if (digits.empty()) return 0;
  if (digits.size() > 5) return std::nullopt;
  const std::optional<std::int64_t> value = parseHexText(digits);
  if (!value) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

StartAddressCheck checkStartAddress(std::string_view startText, const MemoryLimits& limits,
                                    const SelectedModel& model) {
  StartAddressCheck check;
  const auto start = parseStartAddress(startText);
  if (!start) {
    check.message = std::string(kStartMalformedMessage);
    return check;
  }
  const bool inGap =
      model.mapKind != MapKind::TopOfModel && limits.apEnd < *start && *start < model.block1Start;
  if (inGap || *start > limits.ispEnd) {
    check.message = std::string(kStartOutOfScopeMessage);
    return check;
  }
  check.accepted = true;
  check.address = *start;
  return check;
}

}  // namespace qrk
