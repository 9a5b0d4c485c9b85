#include "platform/text.h"

namespace qrk {

namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr char kHexDigits[] = "0123456789ABCDEF";

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

std::string joined(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += separator;
    out += items[i];
  }
  return out;
}

std::string upperHex(std::int64_t value, int minDigits) {
  // Through the unsigned magnitude: negating INT64_MIN would overflow.
  std::uint64_t magnitude =
      value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  std::string text;
  do {
    text.insert(text.begin(), kHexDigits[magnitude & 0xF]);
    magnitude >>= 4;
  } while (magnitude != 0);
  if (static_cast<int>(text.size()) < minDigits) {
    text.insert(0, static_cast<std::size_t>(minDigits) - text.size(), '0');
  }
  return value < 0 ? "-" + text : text;
}

std::string lastHexDigits(std::uint64_t value, int digits) {
  std::string text(static_cast<std::size_t>(digits > 0 ? digits : 0), '0');
  for (auto i = text.size(); i-- > 0;) {
    text[i] = kHexDigits[value & 0xF];
    value >>= 4;
  }
  return text;
}

}  // namespace qrk
