#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/map_kind.h"

namespace qrk {

// The ISP Space sizes a kind offers (the ISP Space list), in list order;
// empty for kind 0, whose ISP block is fixed.
std::vector<std::string> ispSpaceChoices(MapKind mapKind);

// The size in K an ISP Space text stands for: the number it starts with, so
// "1.5k" gives 1.5. A text that starts with no number counts as 0. The one
// reading of the text: the memory map and the option bytes both use it.
double ispSpaceKilobytes(std::string_view text);

// A size as a user types it, "1.5", "1.5k" or " 4K ": the whole text must be
// the number, with at most a trailing k. Nullopt for anything else.
std::optional<double> typedIspSpaceKilobytes(std::string_view text);

}  // namespace qrk
