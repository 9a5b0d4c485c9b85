#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qrk {

// A choice that the settings store and the command line type as a word: a
// table of rows, each with its `name`, `names(choice)` (whether a choice is
// the row's) and `choice()` (the choice the word makes, all else default).
// The first row is the default: the name of a choice no row names.

template <typename Row, std::size_t N>
std::string nameOfChoice(const std::array<Row, N>& rows, const auto& choice) {
  for (const Row& row : rows) {
    if (row.names(choice)) return std::string(row.name);
  }
  return std::string(rows.front().name);
}

template <typename Row, std::size_t N>
auto choiceNamed(const std::array<Row, N>& rows, std::string_view name)
    -> std::optional<decltype(rows.front().choice())> {
  for (const Row& row : rows) {
    if (row.name == name) return row.choice();
  }
  return std::nullopt;
}

}  // namespace qrk
