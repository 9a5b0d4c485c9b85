#include "ispdemo/baud_calculator.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace qrk {

namespace {

// The reload bytes hold 65536 - D; a divisor beyond this cannot be expressed.
constexpr double kLargestDivisor = 65535.0;

BaudColour classify(float errorPercent, int divisor) {
  if (errorPercent <= -5.0f || errorPercent >= 5.0f || divisor <= 2) return BaudColour::Red;
  if (errorPercent <= -3.5f || errorPercent >= 3.5f) return BaudColour::Yellow;
  return BaudColour::Normal;
}

// One space, the first five characters of the shortest text of the error with
// at most seven significant digits, and "%": " 0.160%", " -2.34%", " 0%".
std::string captionFor(float errorPercent) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(errorPercent));
  return " " + std::string(text).substr(0, 5) + "%";
}

}  // namespace

std::string_view baudColourName(BaudColour colour) {
  switch (colour) {
    case BaudColour::Red:
      return "red";
    case BaudColour::Yellow:
      return "yellow";
    case BaudColour::Normal:
      break;
  }
  return "normal";
}

double leadingDecimal(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  double sign = 1.0;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    if (text.front() == '-') sign = -1.0;
    text.remove_prefix(1);
  }
  // from_chars would also take "inf" and "nan": a typed number starts with a
  // digit or a decimal point.
  if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.')) {
    return 0.0;
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end == text.data() || !std::isfinite(value)) return 0.0;
  return sign * value;
}

BaudCalculation computeIspBaud(std::string_view crystalMhzText, std::string_view baudText) {
  BaudCalculation result;
  // Beyond the float range a conversion would be undefined: such texts are
  // no frequency and no rate anyone means.
  constexpr double kFloatMax = std::numeric_limits<float>::max();
  const double typedHertz = leadingDecimal(crystalMhzText) * 1'000'000.0;
  if (!(typedHertz > 0.0) || typedHertz > kFloatMax) {
    result.refusal = "The crystal frequency must be a positive number of MHz.";
    return result;
  }
  const double typedBaud = leadingDecimal(baudText);
  if (!(typedBaud > 0.0) || typedBaud > kFloatMax) {
    result.refusal = "The baud rate must be a positive number.";
    return result;
  }
  const float hertz = static_cast<float>(typedHertz);
  const float baud = static_cast<float>(typedBaud);
  if (!(hertz > 0.0f) || !(baud > 0.0f)) {
    result.refusal = "The crystal frequency and the baud rate must be positive numbers.";
    return result;
  }
  const float quotient = hertz / 32.0f / baud;
  const double rounded = std::floor(static_cast<double>(quotient) + 0.5);
  if (!std::isfinite(rounded) || rounded > kLargestDivisor) {
    result.refusal =
        "The baud rate is too low for this crystal: its Timer 2 divisor would be above 65535. "
        "Choose a higher baud rate or a slower crystal.";
    return result;
  }
  const int divisor = static_cast<int>(rounded);
  if (divisor <= 0) {
    result.refusal = "The baud rate is too high for this crystal: no Timer 2 divisor reaches it.";
    return result;
  }
  const float actual = hertz / 32.0f / static_cast<float>(divisor);
  result.divisor = divisor;
  result.errorPercent = (actual - baud) / baud * 100.0f;
  result.colour = classify(result.errorPercent, divisor);
  result.caption = captionFor(result.errorPercent);
  return result;
}

int calcIspBaud(std::string_view crystalMhzText, std::string_view baudText, BaudLabel& label) {
  const BaudCalculation calc = computeIspBaud(crystalMhzText, baudText);
  if (!calc.divisor) return 0;
  label.caption = calc.caption;
  label.colour = calc.colour;
  return calc.usable() ? *calc.divisor : 0;
}

}  // namespace qrk
