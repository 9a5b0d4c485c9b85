#pragma once

#include <array>
#include <span>
#include <string_view>

#include "link/map_kind.h"

namespace qrk {

// One option row of a kind: what the window shows (captions, button captions,
// the default choice) and what a user types for it on the command line (the
// row's names, a plain-word alias for a choice whose caption is Chinese or has
// a space in it).
struct OptionRowInfo {
  std::string_view name;
  std::array<std::string_view, 2> otherNames;  // empty where there is none
  std::string_view caption;
  std::string_view secondCaption;           // kind 1 only
  std::array<std::string_view, 2> choices;  // the button captions
  std::array<std::string_view, 2> choiceAliases;
  int defaultChoice;
};

// The rows of a kind in row order; empty for kind 0.
std::span<const OptionRowInfo> optionRows(MapKind mapKind);

}  // namespace qrk
