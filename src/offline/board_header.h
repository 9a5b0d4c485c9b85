#pragma once

#include <cstdint>
#include <string>

#include "device/mcu_model.h"
#include "device/option_bytes.h"
#include "device/option_panel.h"
#include "offline/board_image.h"

namespace qrk {

// The 256-byte parameter block at board address 0xEC00 that tells the board
// what to program where, with the values it is derived from. Everything is
// taken from the selected model and the option panel (its ISP Space choice
// included) at the moment of the download, so the ISP fields, the model name
// and option byte A always describe the same chip.
struct BoardHeader {
  static constexpr int kModelNameLength = 31;

  std::string modelName;    // at most 31 characters
  std::uint8_t idHigh = 0;  // first two digits of the expected ID; 0 without one
  std::uint8_t idLow = 0;
  OptionBytes options;
  std::int32_t ispStart = 0;  // 0 when the model has no ISP area at the chosen size
  std::int32_t ispEnd = 0;
  std::int32_t ispLength = 0;
  // Board address just above where the ISP copy lies: 0x7C00 for models whose
  // ID starts "F0" (their whole space fits below it), else 0xEC00.
  std::int32_t ispTop = board::kHeaderAddress;
  std::int32_t lastAppAddress = 0;
  std::int32_t apBoardEnd = 0;

  // `rangeHigh` is the highest address of the loaded data.
  static BoardHeader derive(const SelectedModel& model, const OptionPanel& panel,
                            std::int32_t rangeHigh);

  // The ISP code gets a copy of its own at the top of the image area, since
  // the plain copy does not reach it; models whose ID starts "F0" have their
  // ISP area inside the plain copy.
  bool separateIspCopy() const { return ispLength != 0 && idHigh != 0xF0; }
  // The target address the lower area (board 0x2000..0x3FFF) starts at.
  std::int32_t lowerAreaTarget() const;
  // Whether the board's copies carry image byte `target`.
  bool carries(std::int32_t target) const;

  // Writes the whole block, its CRC over offsets 0..127 included.
  void writeTo(BoardImage& image) const;
};

}  // namespace qrk
