#include "sim/board_files.h"

#include <algorithm>
#include <vector>

#include "sim/flash_files.h"

namespace qrk::sim {

bool loadBoardMemory(BoardDevice& board, const std::string& path, std::string* error) {
  std::vector<std::uint8_t> bytes;
  if (!loadRawFile(path, BoardDevice::kMemorySize, bytes, error)) return false;
  std::copy(bytes.begin(), bytes.end(), board.memory().begin());
  return true;
}

bool saveBoardMemory(const BoardDevice& board, const std::string& path, std::string* error) {
  return saveRawFile(path, board.memory(), error);
}

std::string describeSelfCheck(const BoardSelfCheck& check) {
  if (!check.headerCrcGood) return "board: no parameter block with a good CRC";
  std::string line = "board: header CRC good, " + std::to_string(check.blocksChecked) +
                     " blocks checked, " + std::to_string(check.mismatchedBlocks.size()) +
                     " mismatched";
  if (!check.mismatchedBlocks.empty()) {
    line += " (first: block " + std::to_string(check.mismatchedBlocks.front()) + ")";
  }
  return line;
}

}  // namespace qrk::sim
