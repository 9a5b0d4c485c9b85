#include "device/isp_space.h"

#include <array>
#include <utility>

#include "platform/text.h"

namespace qrk {

namespace {

constexpr std::array<std::string_view, 16> kKind1IspSpace{
    "0.0k", "1.0k", "1.5k", "2.0k", "2.5k", "3.0k", "3.5k", "4.0k",
    "4.5k", "5.0k", "5.5k", "6.0k", "6.5k", "7.0k", "7.5k", "8.0k"};
constexpr std::array<std::string_view, 4> kKind2IspSpace{"0.0k", "1.0k", "2.0k", "4.0k"};

// Reads the number at the start of `s` (sign, digits, one decimal point) and
// returns it with the count of characters it used. Far beyond any ISP size
// the value stops growing, so no text can overflow it.
std::pair<double, std::size_t> leadingNumber(std::string_view s) {
  std::size_t i = 0;
  double sign = 1.0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') sign = -1.0;
    ++i;
  }
  constexpr double kCeiling = 1e9;
  double value = 0.0;
  bool anyDigit = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    anyDigit = true;
    if (value < kCeiling) value = value * 10.0 + (s[i] - '0');
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    double scale = 0.1;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      anyDigit = true;
      value += (s[i] - '0') * scale;
      scale /= 10.0;
    }
  }
  if (!anyDigit) return {0.0, 0};
  return {sign * value, i};
}

}  // namespace

std::vector<std::string> ispSpaceChoices(MapKind mapKind) {
  std::vector<std::string> out;
  if (mapKind == MapKind::TopOf64k) out.assign(kKind1IspSpace.begin(), kKind1IspSpace.end());
  if (mapKind == MapKind::TopOfModel) out.assign(kKind2IspSpace.begin(), kKind2IspSpace.end());
  return out;
}

double ispSpaceKilobytes(std::string_view text) { return leadingNumber(trimmed(text)).first; }

std::optional<double> typedIspSpaceKilobytes(std::string_view text) {
  text = trimmed(text);
  const auto [value, used] = leadingNumber(text);
  if (used == 0) return std::nullopt;
  const std::string_view rest = trimmed(text.substr(used));
  if (rest.empty() || equalsIgnoreCase(rest, "k")) return value;
  return std::nullopt;
}

}  // namespace qrk
