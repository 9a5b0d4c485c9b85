#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/line_device.h"
#include "sim/qrk_device.h"
#include "sim/reply_line.h"
#include "sim/simulated_port.h"

namespace qrk::sim {

// One data frame as the board received it.
struct BoardFrameRecord {
  bool resendMark = false;  // byte 5 was 0x30
  std::uint16_t address = 0;
  std::uint16_t count = 0;
  bool operator==(const BoardFrameRecord&) const = default;
};

// What the board finds when it checks what it holds against the parameter
// block: the block's own CRC, and the CRC of every 128-byte target block that
// the block's ranges (AP, ISP copy, lower area) carry whole, against the
// table at 0xF000.
struct BoardSelfCheck {
  bool headerCrcGood = false;
  int blocksChecked = 0;
  std::vector<int> mismatchedBlocks;
  bool good() const { return headerCrcGood && blocksChecked > 0 && mismatchedBlocks.empty(); }
};

// The offline programming board's firmware, on a timeline like QrkDevice:
// it speaks only CRC frames (CRC-16/MODBUS, low byte first) and ignores any
// frame whose CRC or end byte is wrong.
//
// Behaviour the programmer leaves to the board:
// - Short frames (LEN 9): 0x80 handshake (any parameter) answered with code
//   0x80; 0x0E capacity, data 00 and the capacity in KB; 0x0C version, code
//   0x0C and the version byte; 0x84 erases the whole memory to 0xFF and 0x86
//   closes the upper area, each answered with its own code; 0x82 and unknown
//   codes get no reply.
// - Data frames (byte 5 0x00 or 0x30, LEN = N + 13, 1 <= N <= 128) store N
//   bytes from their address (dropping what lies above 0xFFFF) and are
//   acknowledged with code 0x80 and the address. A frame whose count
//   disagrees with its length is ignored.
// - Memory starts erased (0xFF). Capacity is only reported, not enforced.
// - Faults: data frames count as "data" (@data), so bad-ack hits them too (its
//   acknowledgement carries code 0x81); the others count by their command.
class BoardDevice : public LineDevice {
 public:
  static constexpr std::size_t kMemorySize = 0x10000;
  static constexpr int kDefaultCapacityKb = 64;

  explicit BoardDevice(DeviceOptions options = {}, int capacityKb = kDefaultCapacityKb);

  std::vector<TimedChunk> receive(std::span<const std::uint8_t> bytes, std::int64_t nowUs) override;

  void addFault(const Fault& fault) { options_.faults.push_back(fault); }
  void setBaudEmulation(bool on) { options_.baudEmulation = on; }
  int capacityKb() const { return capacityKb_; }

  std::span<std::uint8_t> memory() { return memory_; }
  std::span<const std::uint8_t> memory() const { return memory_; }
  BoardSelfCheck selfCheck() const;

  // Good frames seen with this command code (data frames under 0x00 / 0x30).
  int commandCount(std::uint8_t command) const { return commandCounts_[command]; }
  const std::vector<BoardFrameRecord>& dataFrames() const { return dataFrames_; }
  // Frames dropped for a bad CRC, end byte or length, or left incomplete.
  int rejectedFrames() const { return rejected_; }
  bool poweredOn() const { return handshakesIgnored_ >= options_.powerOnAfter; }

 private:
  void feed(std::uint8_t byte, std::int64_t atUs, std::vector<TimedChunk>& out);
  void handle(const std::vector<std::uint8_t>& frame, std::int64_t seenUs,
              std::vector<TimedChunk>& out);
  void reply(std::uint8_t faultScope, std::uint8_t code, std::vector<std::uint8_t> data,
             std::int64_t dueUs, std::vector<TimedChunk>& out);

  DeviceOptions options_;
  int capacityKb_;
  std::vector<std::uint8_t> memory_;
  std::vector<std::uint8_t> frame_;  // the request being received
  std::size_t frameLength_ = 0;
  std::int64_t lastByteUs_ = 0;
  std::int64_t rxFreeUs_ = 0;
  int rejected_ = 0;
  int handshakesIgnored_ = 0;
  std::array<int, 256> commandCounts_{};
  std::vector<BoardFrameRecord> dataFrames_;
  ReplyLine line_;
};

// Loop, board and port in one, for in-process tests of the download:
//   SimulatedBoard sim;  Programmer p(sim.port, sim.loop, ...);
struct SimulatedBoard {
  explicit SimulatedBoard(DeviceOptions options = {},
                          int capacityKb = BoardDevice::kDefaultCapacityKb)
      : device(std::move(options), capacityKb), port(loop, device) {}

  VirtualEventLoop loop;
  BoardDevice device;
  SimulatedPort port;
};

}  // namespace qrk::sim
