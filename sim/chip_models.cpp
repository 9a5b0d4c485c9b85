#include "sim/chip_models.h"

#include <array>

namespace qrk::sim {

namespace {

constexpr std::array kChips = {
    ChipModel{"QRK5-04A", 2, 0x3BFF, 0xF001},
    ChipModel{"QRK3-04A", 2, 0x3BFF, 0xF001},
    ChipModel{"QRK5-08A", 2, 0x3BFF, 0xF002},
    ChipModel{"QRK3-08A", 2, 0x3BFF, 0xF002},
    ChipModel{"QRK5-12A", 2, 0x3BFF, 0xF004},
    ChipModel{"QRK3-12A", 2, 0x3BFF, 0xF004},
    ChipModel{"QRK5-16B", 2, 0xFBFF, 0xF104},
    ChipModel{"QRK3-16B", 2, 0xFBFF, 0xF104},
    ChipModel{"QRK5-32B", 2, 0xFBFF, 0xF108},
    ChipModel{"QRK3-32B", 2, 0xFBFF, 0xF108},
    ChipModel{"QRK5-64B", 2, 0xFBFF, 0xF110},
    ChipModel{"QRK3-64B", 2, 0xFBFF, 0xF110},
    ChipModel{"QRK3-08F", 1, 0xFFFF, 0x0055},
    ChipModel{"QRK3-16F", 1, 0xFFFF, 0x0055},
    ChipModel{"QRK3-32F", 1, 0xFFFF, 0x0055},
    ChipModel{"QRK3-64F", 1, 0xFFFF, 0x0055},
    ChipModel{"QRK3-64G", 1, 0xFFFF, 0x0055},
    // 64 K of program flash and the 8 K bootloader block above it.
    ChipModel{"QRK5-64E", 0, 0x11FFF, std::nullopt},
    ChipModel{"QRKL-64E", 0, 0x11FFF, std::nullopt},
    ChipModel{"QRK5-32E", 0, 0xFFFF, std::nullopt},
    ChipModel{"QRKL-32E", 0, 0xFFFF, std::nullopt},
    ChipModel{"QRK5-32D", 0, 0xFFFF, std::nullopt},
    ChipModel{"QRKL-32D", 0, 0xFFFF, std::nullopt},
    ChipModel{"QRK5-16D", 0, 0xFFFF, std::nullopt},
    ChipModel{"QRKL-16D", 0, 0xFFFF, std::nullopt},
    ChipModel{"QRK5-08D", 0, 0xFFFF, std::nullopt},
    ChipModel{"QRKL-08D", 0, 0xFFFF, std::nullopt},
};

}  // namespace

std::span<const ChipModel> chipModels() { return kChips; }

const ChipModel* findChip(std::string_view name) {
  for (const ChipModel& chip : kChips) {
    if (chip.name == name) return &chip;
  }
  return nullptr;
}

}  // namespace qrk::sim
