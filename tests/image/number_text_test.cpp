#include "image/number_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace qrk {
namespace {

// A script's typed number is taken whole or refused: nothing read in part,
// no sign, no blanks, no prefix, no more digits than the field holds.
TEST(NumberText, DigitsAreTakenWholeOrRefused) {
  struct Case {
    std::string_view text;
    int base;
    std::size_t maxDigits;
    std::optional<std::int64_t> expected;
  };
  // clang-format off
  const Case cases[] = {
      {"12", 10, 9, 12}, {"F104", 16, 4, 0xF104}, {"f104", 16, 4, 0xF104}, {"0A", 16, 2, 0x0A},
      {"", 10, 9, std::nullopt}, {"12x", 10, 9, std::nullopt}, {"-1", 10, 9, std::nullopt},
      {" 12", 10, 9, std::nullopt}, {"0x1F", 16, 4, std::nullopt}, {"123", 10, 2, std::nullopt},
      {"1A", 10, 9, std::nullopt},
      // More digits than any field may have never wrap into a small number.
      {"99999999999999999999", 10, 99, std::nullopt}};
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(parseDigits(c.text, c.base, c.maxDigits), c.expected)
        << "'" << c.text << "' base " << c.base;
  }
}

// The window's boxes forgive blanks around a number, and a number too long
// for any address stays too big instead of wrapping.
TEST(NumberText, TypedBoxesTrimAndSaturate) {
  EXPECT_EQ(parseHexText(" 1f00 "), 0x1F00);
  EXPECT_EQ(parseDecimalText("\t42"), 42);
  EXPECT_EQ(parseHexText("1G"), std::nullopt);
  EXPECT_EQ(parseDecimalText("  "), std::nullopt);
  EXPECT_EQ(parseHexText("FFFFFFFFFFFFFFFFFFFF"), INT64_MAX);
}

}  // namespace
}  // namespace qrk
