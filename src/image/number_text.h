#pragma once

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

}  // namespace qrk
