#include "image/memory_map.h"

#include <algorithm>

namespace qrk {

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::int32_t> parseHex(std::string_view digits) {
  std::int32_t value = 0;
  for (char c : digits) {
    const int v = hexValue(c);
    if (v < 0) return std::nullopt;
    value = value * 16 + v;
  }
  return value;
}

// A box holds what this program wrote into it, so its last `digits` characters
// always read back; a damaged text counts as 0 rather than as a wild address.
std::int32_t readBox(std::string_view box, std::size_t digits) {
  std::string_view text = trimmed(box);
  if (text.size() > digits) text = text.substr(text.size() - digits);
  return parseHex(text).value_or(0);
}

}  // namespace

std::string hexDigits(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i) {
    text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    value >>= 4;
  }
  return text;
}

std::int32_t ispSpaceBytes(std::string_view ispSpaceText, std::int32_t topAddress) {
  std::string_view text = trimmed(ispSpaceText);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Whole K and the fraction are kept apart so that "1.5k" is exactly 1536.
  double kilobytes = 0;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    kilobytes = kilobytes * 10 + (text[i] - '0');
  }
  if (i < text.size() && text[i] == '.') {
    double scale = 0.1;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10) {
      kilobytes += (text[i] - '0') * scale;
    }
  }
  if (negative || kilobytes <= 0) return 0;
  const double bytes = kilobytes * 1024.0;
  const std::int32_t limit = std::max<std::int32_t>(0, topAddress);
  if (bytes >= static_cast<double>(limit)) return limit;
  return static_cast<std::int32_t>(bytes);
}

MemoryMapTexts memoryMapTexts(const SelectedModel& model, std::string_view ispSpaceText) {
  const std::int32_t ispBytes = ispSpaceBytes(ispSpaceText, model.topAddress);
  std::int32_t apEnd = model.apLast;
  std::int32_t ispStart = model.block1Start;
  if (model.mapKind != 0) {
    ispStart = model.topAddress - ispBytes + 1;
    if (model.apUpToIsp) apEnd = ispStart - 1;
  }
  MemoryMapTexts boxes;
  boxes.apFirst = hexDigits(static_cast<std::uint32_t>(model.apFirst), 4);
  boxes.apEnd = hexDigits(static_cast<std::uint32_t>(apEnd), 4);
  if (ispStart < model.topAddress) {
    boxes.ispStart = hexDigits(static_cast<std::uint32_t>(ispStart), 5);
    boxes.ispEnd = hexDigits(static_cast<std::uint32_t>(model.topAddress), 5);
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
  if (digits.size() > 5) return std::nullopt;
  return parseHex(digits);
}

StartAddressCheck checkStartAddress(std::string_view startText, const MemoryLimits& limits,
                                    const SelectedModel& model) {
  StartAddressCheck check;
  const auto start = parseStartAddress(startText);
  if (!start) {
    check.message = std::string(kStartMalformedMessage);
    return check;
  }
  const bool inGap = model.mapKind != 2 && limits.apEnd < *start && *start < model.block1Start;
  if (inGap || *start > limits.ispEnd) {
    check.message = std::string(kStartOutOfScopeMessage);
    return check;
  }
  check.accepted = true;
  check.address = *start;
  return check;
}

}  // namespace qrk
