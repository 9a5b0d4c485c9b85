#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qrk::sim {

// What a simulated chip of each model is: how much flash it has and what it
// answers to an ID request. Kept apart from the programmer's catalogue so that
// a wrong value there shows up as a mismatch against the chip, not as two
// sides agreeing on the same mistake.
struct ChipModel {
  std::string_view name;
  int family;                       // the memory-map family, 0, 1 or 2
  std::uint32_t topAddress;         // the last flash address; the ISP area ends here
  std::optional<std::uint16_t> id;  // none for family 0: those bootloaders report no ID
};

std::span<const ChipModel> chipModels();
// Exact, case-sensitive; nullptr when no chip has that name.
const ChipModel* findChip(std::string_view name);

}  // namespace qrk::sim
