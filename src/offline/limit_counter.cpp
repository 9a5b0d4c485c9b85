#include "offline/limit_counter.h"

#include <algorithm>
#include <cctype>

namespace qrk {

namespace {

void writeOnes(BoardImage& image, std::int32_t field, int ones) {
  std::span<std::uint8_t> bytes = image.range(field, field + board::kLimitFieldSize - 1);
  std::ranges::fill(bytes, std::uint8_t{0x00});
  const auto fullBytes = static_cast<std::size_t>(ones / 8);
  std::fill_n(bytes.begin(), fullBytes, std::uint8_t{0xFF});
  if (ones % 8 != 0) bytes[fullBytes] = static_cast<std::uint8_t>((1U << (ones % 8)) - 1U);
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

bool allDigits(std::string_view text) {
  return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// A decimal number that is not whole ("2.5", "1e3", ".5"): digits with a
// point or an exponent somewhere.
bool decimalButNotWhole(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  bool digit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') {
      return false;
    }
  }
  return digit;
}

}  // namespace

std::optional<LimitCounter> LimitCounter::of(long long limit) {
  if (limit < kMinimum || limit > kMaximum) return std::nullopt;
  return LimitCounter(static_cast<int>(limit));
}

void LimitCounter::writeTo(BoardImage& image) const {
  writeOnes(image, board::kLimitHighField, limit_ / kBitsPerField);
  writeOnes(image, board::kLimitLowField, limit_ % kBitsPerField);
}

DownloadLimitCheck checkDownloadLimit(std::string_view text) {
  DownloadLimitCheck check;
  std::string_view number = trimmed(text);
  bool negative = false;
  if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
    negative = number.front() == '-';
    number.remove_prefix(1);
  }
  if (!allDigits(number)) {
    check.message = std::string(decimalButNotWhole(trimmed(text)) ? kLimitNotWholeMessage
                                                                  : kLimitTooSmallMessage);
    return check;
  }
  // Saturates: a hundred digits are as much too large as seven.
  long long value = 0;
  for (char c : number) value = std::min<long long>(value * 10 + (c - '0'), 1LL << 40);
  if (negative || value == 0) {
    check.message = std::string(kLimitTooSmallMessage);
  } else if (!(check.counter = LimitCounter::of(value))) {
    check.message = std::string(kLimitTooLargeMessage);
  }
  return check;
}

}  // namespace qrk
