#include "image/number_text.h"

#include <algorithm>
#include <limits>

#include "platform/text.h"

namespace qrk {

namespace {

constexpr std::int64_t kHuge = std::numeric_limits<std::int64_t>::max();

int digitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

std::optional<std::int64_t> parseUnsigned(std::string_view text, int base) {
  const std::string_view digits = trimmed(text);
  if (digits.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : digits) {
    const int digit = digitValue(c, base);
    if (digit < 0) return std::nullopt;
    // Saturate rather than wrap: a long text must stay "too big", never become small.
    value = value > (kHuge - digit) / base ? kHuge : value * base + digit;
  }
  return value;
}

}  // namespace

std::optional<std::int64_t> parseHexText(std::string_view text) { return parseUnsigned(text, 16); }

std::optional<std::int64_t> parseDecimalText(std::string_view text) {
  return parseUnsigned(text, 10);
}

std::optional<std::int64_t> parseDigits(std::string_view text, int base, std::size_t maxDigits) {
  // 15 hex or 18 decimal digits always fit: the value can never saturate.
  const std::size_t fits = base == 16 ? 15 : 18;
  if (text.empty() || text.size() > std::min(maxDigits, fits)) return std::nullopt;
  if (text != trimmed(text)) return std::nullopt;
  return parseUnsigned(text, base);
}

}  // namespace qrk
