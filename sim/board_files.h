#pragma once

#include <string>

#include "sim/board_device.h"

namespace qrk::sim {

// The board's memory on disk: FILE holds the whole 64 KB from address 0.
// Loading a shorter file leaves the rest erased. False with a one-line reason.
bool loadBoardMemory(BoardDevice& board, const std::string& path, std::string* error);
bool saveBoardMemory(const BoardDevice& board, const std::string& path, std::string* error);

// One line on what the board's self-check found, for qrksim's stderr:
// "board: header CRC good, 408 blocks checked, 0 mismatched".
std::string describeSelfCheck(const BoardSelfCheck& check);

}  // namespace qrk::sim
