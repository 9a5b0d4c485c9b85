#include "ispdemo/baud_calculator.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace qrk {
namespace {

struct Expected {
  const char *crystal, *baud;
  int divisor;
  const char* caption;
  BaudColour colour;
};

// Captions as the label shows them, digit for digit: the last digits come
// from 32-bit float arithmetic and would differ in double precision.
constexpr Expected kTelling[] = {
    {"4.0000", "9600", 13, " 0.160%", BaudColour::Normal},
    {"4.0000", "38400", 3, " 8.506%", BaudColour::Red},
    {"4.0000", "14400", 9, " -3.54%", BaudColour::Yellow},
    {"6.0000", "9600", 20, " -2.34%", BaudColour::Normal},
    {"6.0000", "115200", 2, " -18.6%", BaudColour::Red},
    {"11.0592", "115200", 3, " 0%", BaudColour::Normal},
    {"12.0000", "57600", 7, " -6.99%", BaudColour::Red},
    {"20.0000", "38400", 16, " 1.725%", BaudColour::Normal},
    {"44.1368", "115200", 12, " -0.22%", BaudColour::Normal},
};

TEST(BaudCalculator, CaptionsDivisorsAndColoursOfTheListedSettings) {
  for (const Expected& e : kTelling) {
    SCOPED_TRACE(std::string(e.crystal) + " MHz, " + e.baud + " baud");
    BaudLabel label;
    const int result = calcIspBaud(e.crystal, e.baud, label);
    EXPECT_EQ(
        std::tuple(label.caption, label.colour, computeIspBaud(e.crystal, e.baud).divisor, result),
        std::tuple(e.caption, e.colour, e.divisor, e.colour == BaudColour::Red ? 0 : e.divisor));
  }
}

TEST(BaudCalculator, BoundsAreInclusive) {
  // Crystals chosen so that crystal / 32 / 4 is 105, 103.5 and 96.5 baud
  // exactly: errors of exactly +5 %, +3.5 % and -3.5 % against 100 baud.
  // 4 MHz / 32 / 2 = 62500 exactly: a divisor of 2 is red whatever the error.
  for (const auto& [crystal, baud, caption, colour] :
       {std::tuple{"0.01344", "100", " 5%", BaudColour::Red},
        {"0.013248", "100", " 3.5%", BaudColour::Yellow},
        {"0.012352", "100", " -3.5%", BaudColour::Yellow},
        {"4", "62500", " 0%", BaudColour::Red}}) {
    const BaudCalculation calc = computeIspBaud(crystal, baud);
    EXPECT_EQ(std::tuple(calc.caption, calc.colour, calc.usable()),
              std::tuple(caption, colour, colour != BaudColour::Red))
        << crystal;
  }
}

// Texts that name no rate, and divisors that do not fit the reload bytes
// (44.1368 MHz at 21 baud needs 65680: truncated it would give a rate hundreds
// of times too high), leave the label and return zero.
TEST(BaudCalculator, NoDivisorLeavesTheLabelAndReturnsZero) {
  BaudLabel label;
  ASSERT_EQ(calcIspBaud("6.0000", "9600", label), 20);
  const BaudLabel before = label;
  // clang-format off
  for (auto [crystal, baud, refusal] : {
           std::tuple{"0", "9600", ""}, {"abc", "9600", ""}, {"-4", "9600", ""},
           {"11.0592", "0", ""}, {"11.0592", "x", ""}, {"inf", "9600", ""}, {"4", "1000000", ""},
           {"44.1368", "21", "65535"}, {"1e30", "9600", "65535"}, {"11.0592", "1e-30", "65535"}}) {
    // clang-format on
    SCOPED_TRACE(std::string(crystal) + " / " + baud);
    EXPECT_EQ(std::tuple(calcIspBaud(crystal, baud, label), label.caption, label.colour),
              std::tuple(0, before.caption, before.colour));
    const BaudCalculation calc = computeIspBaud(crystal, baud);
    EXPECT_FALSE(calc.divisor || calc.usable() || calc.refusal.empty());
    EXPECT_NE(calc.refusal.find(refusal), std::string::npos);
  }
  // The largest divisor that fits still works; typed texts read the number they start with.
  EXPECT_EQ(computeIspBaud("2.097120", "1").divisor, 65535);
  EXPECT_EQ(computeIspBaud(" 11.0592 MHz", "38400 baud").divisor, 9);
  EXPECT_EQ(computeIspBaud("+12", "9600").divisor, 39);
}

}  // namespace
}  // namespace qrk
