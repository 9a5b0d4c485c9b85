#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace qrkcli {

// Numbers typed on the command line, read whole and strictly: a script that
// types "11,0592" or "12x" gets a refusal, never a number read in part.
// Blanks around the number are ignored; signs are not taken.

// Decimal digits with at most one decimal point ("11.0592", "12", ".5").
std::optional<double> parseDecimalArgument(const QString& text);

// A whole decimal number from `minimum` to `maximum`.
std::optional<std::int64_t> parseWholeArgument(const QString& text, std::int64_t minimum,
                                               std::int64_t maximum);

// Hexadecimal digits with an optional 0x, as an address; at most 8 digits.
std::optional<std::int64_t> parseHexArgument(const QString& text);

// The hex digits of an address typed with an optional 0x ("0x1F00" gives
// "1F00"), for the core's checks that take the window's text; the text as
// typed when it is no such address, so that the check refuses it.
QString withoutHexPrefix(const QString& text);

// "--OPTION takes WHAT, not 'TEXT'": the one form of every refused number.
QString numberRefusal(const QString& option, const QString& what, const QString& text);

}  // namespace qrkcli
