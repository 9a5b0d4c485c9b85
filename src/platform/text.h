#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qrk {

// The small text rules every part of the core shares, so that a box, a
// setting and a typed option are all read the same way.

// The text without the blanks around it: spaces, tabs, CR and LF.
std::string_view trimmed(std::string_view text);

// Equal letter for letter, ASCII letters compared without regard to case.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// The items with `separator` between them.
std::string joined(const std::vector<std::string>& items, std::string_view separator);

// Uppercase hexadecimal, zero-padded on the left to at least `minDigits`; a
// negative value keeps its sign in front ("-0001A3").
std::string upperHex(std::int64_t value, int minDigits = 1);

// Exactly the last `digits` uppercase hexadecimal digits of `value`,
// zero-padded: how the fixed-width boxes show numbers.
std::string lastHexDigits(std::uint64_t value, int digits);

}  // namespace qrk
