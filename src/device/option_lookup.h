#pragma once

#include <string>
#include <string_view>

#include "device/option_panel.h"

namespace qrk {

// Option rows by the names a user types (the command line's --option and its
// listing of a model's options).

// Row index of a typed name on a kind (case-insensitive; "SB" and "ENCRYPT"
// both name row 1, "HWBS" and "HWEN_ISP" row 4). -1 and *error when the kind
// has no such row.
int findOptionRow(MapKind mapKind, std::string_view name, std::string* error = nullptr);
// Button index (0 or 1) of a typed choice on row `row` of a kind: its button
// caption (case-insensitive) or the plain-word alias. -1 and *error otherwise.
int findOptionChoice(MapKind mapKind, int row, std::string_view choice,
                     std::string* error = nullptr);
// Selects the typed choice on the typed row; false with *error and the panel
// untouched when either is unknown.
bool setOption(OptionPanel& panel, MapKind mapKind, std::string_view rowName,
               std::string_view choice, std::string* error = nullptr);

// The rows, choices, defaults and ISP Space sizes of a kind as lines of text
// (LF line ends), for listing a model's options.
std::string optionListing(MapKind mapKind);

}  // namespace qrk
