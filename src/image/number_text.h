#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qrk {

// Numbers as the user types them into the image's text boxes: no prefix, no
// sign, blanks around them ignored (see trimmed()).

// The whole trimmed text read as unsigned hexadecimal. Nullopt when it is
// empty or holds anything but hex digits. A value too large for any address
// reads as INT64_MAX, so every range check still refuses it.
std::optional<std::int64_t> parseHexText(std::string_view text);

// The whole trimmed text read as an unsigned decimal number, with the same
// rules as parseHexText.
std::optional<std::int64_t> parseDecimalText(std::string_view text);

// The whole text as an unsigned number in `base` (10 or 16) of 1 to
// `maxDigits` digits: nothing around it, no sign, no prefix. For numbers a
// script types, where "12x" must be refused rather than read in part.
std::optional<std::int64_t> parseDigits(std::string_view text, int base, std::size_t maxDigits);

}  // namespace qrk
