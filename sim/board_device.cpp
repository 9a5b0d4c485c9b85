#include "sim/board_device.h"

#include <algorithm>

#include "sim/line_timing.h"
#include "sim/wire_frame.h"

namespace qrk::sim {

namespace {

// What the board answers with besides the chip's codes.
constexpr std::uint8_t kRefuse = 0x81;
// What the chip's "data" fault scope is counted under.
constexpr std::uint8_t kDataScope = cmd::kData;

// Request sizes, preamble cut off: the CRC frame around the parameters, and these.
constexpr std::size_t kMinLength = wire::overhead(wire::Check::Crc);
constexpr std::size_t kShortLength = kMinLength + 2;   // map kind, parameter
constexpr std::size_t kDataOverhead = kMinLength + 6;  // address(4), count(2), then the data
constexpr std::size_t kMaxDataCount = 128;
constexpr std::size_t kMaxLength = 531;
constexpr std::int64_t kStaleAfterUs = 20'000;

bool crcMatches(std::span<const std::uint8_t> bytes, std::uint8_t low, std::uint8_t high) {
  const auto crc = wire::crc16Modbus(bytes);
  return crc[0] == low && crc[1] == high;
}

std::uint32_t read24(std::span<const std::uint8_t> m, std::size_t at) {
  return wire::getBigEndian(m, at, 3);
}

}  // namespace

BoardDevice::BoardDevice(DeviceOptions options, int capacityKb)
    : options_(std::move(options)), capacityKb_(capacityKb), memory_(kMemorySize, 0xFF) {
  for (std::int64_t* us : {&options_.responseDelayUs, &options_.splitPauseUs, &options_.gapPauseUs,
                           &options_.slowExtraUs}) {
    *us = std::max<std::int64_t>(0, *us);
  }
}

std::vector<TimedChunk> BoardDevice::receive(std::span<const std::uint8_t> bytes,
                                             std::int64_t nowUs) {
  std::vector<TimedChunk> out;
  receiveAtLinePace(bytes, nowUs, options_.baudEmulation, rxFreeUs_,
                    [&](std::uint8_t byte, std::int64_t arrivedUs) { feed(byte, arrivedUs, out); });
  return out;
}

void BoardDevice::feed(std::uint8_t byte, std::int64_t atUs, std::vector<TimedChunk>& out) {
  if (!frame_.empty() && atUs - lastByteUs_ > kStaleAfterUs) {
    ++rejected_;
    frame_.clear();
  }
  lastByteUs_ = atUs;
  if (frame_.empty() && byte != frame::kRequestStart) return;  // the preamble and noise
  frame_.push_back(byte);
  if (frame_.size() == 3) {
    frameLength_ = std::size_t{frame_[1]} << 8 | frame_[2];
    if (frameLength_ < kMinLength || frameLength_ > kMaxLength) {
      ++rejected_;
      frame_.clear();
      return;
    }
  }
  if (frame_.size() < 3 || frame_.size() < frameLength_) return;
  const bool good = wire::frameIsSound(frame_, wire::Check::Crc);
  std::vector<std::uint8_t> frame = std::move(frame_);
  frame_.clear();
  if (!good) {
    ++rejected_;
    return;
  }
  handle(frame, atUs, out);
}

void BoardDevice::handle(const std::vector<std::uint8_t>& f, std::int64_t seenUs,
                         std::vector<TimedChunk>& out) {
  const std::uint8_t command = f[3];
  ++commandCounts_[command];
  const bool isShort = f.size() == kShortLength;
  if (!poweredOn()) {
    if (command == cmd::kHandshake && isShort) ++handshakesIgnored_;
    return;
  }
  const std::int64_t dueUs = seenUs + options_.responseDelayUs;
  if (isShort) {
    switch (command) {
      case cmd::kHandshake:
        return reply(command, kAckCode, {}, dueUs, out);
      case cmd::kBoardCapacity:
        return reply(command, command, {0x00, static_cast<std::uint8_t>(capacityKb_)}, dueUs, out);
      case cmd::kVersion:
        return reply(command, command, {options_.version}, dueUs, out);
      case cmd::kBoardErase:
        std::fill(memory_.begin(), memory_.end(), std::uint8_t{0xFF});
        return reply(command, command, {}, dueUs, out);
      case cmd::kBoardFinish:
        return reply(command, command, {}, dueUs, out);
      case cmd::kStop:
      default:
        return;
    }
  }
  if ((command != cmd::kBoardDataFirst && command != cmd::kBoardData) || f.size() < kDataOverhead)
    return;
  const std::size_t count = std::size_t{f[8]} << 8 | f[9];
  if (count == 0 || count > kMaxDataCount || f.size() != count + kDataOverhead) return;
  const std::size_t address = std::size_t{f[6]} << 8 | f[7];
  for (std::size_t i = 0; i < count && address + i < kMemorySize; ++i) {
    memory_[address + i] = f[10 + i];
  }
  dataFrames_.push_back({command == cmd::kBoardData, static_cast<std::uint16_t>(address),
                         static_cast<std::uint16_t>(count)});
  reply(kDataScope, kAckCode, {f[6], f[7]}, dueUs, out);
}

void BoardDevice::reply(std::uint8_t faultScope, std::uint8_t code, std::vector<std::uint8_t> data,
                        std::int64_t dueUs, std::vector<TimedChunk>& out) {
  const FaultHits hits = line_.hits(options_, faultScope, false);
  if (hits.has(FaultKind::Drop)) return;
  if (hits.has(FaultKind::BadAck) && code == kAckCode) code = kRefuse;
  line_.transmit(options_, wire::encodeReply(code, data, wire::Check::Crc), hits, dueUs, out);
}

BoardSelfCheck BoardDevice::selfCheck() const {
  constexpr std::size_t kHeader = 0xEC00;
  constexpr std::size_t kTable = 0xF000;
  constexpr std::size_t kBlock = 128;
  constexpr std::size_t kTargetSpace = 0x10000;
  BoardSelfCheck check;
  const std::span<const std::uint8_t> m = memory_;
  check.headerCrcGood = crcMatches(m.subspan(kHeader, 128), m[kHeader + 254], m[kHeader + 255]);
  if (!check.headerCrcGood) return check;

  // Board address of each target address the header's ranges carry.
  std::vector<std::int64_t> boardOf(kTargetSpace, -1);
  const std::size_t ispLength = std::size_t{m[kHeader + 118]} << 8 | m[kHeader + 119];
  for (std::size_t range = 0; range < 3; ++range) {
    if (range == 1 && ispLength == 0) continue;
    const std::size_t at = kHeader + 64 + 12 * range;
    const std::uint32_t boardFirst = read24(m, at);
    const std::uint32_t boardLast = read24(m, at + 3);
    const std::uint32_t targetFirst = read24(m, at + 6);
    for (std::uint32_t b = boardFirst; b <= boardLast && b < kMemorySize; ++b) {
      const std::uint32_t target = targetFirst + (b - boardFirst);
      if (target < kTargetSpace) boardOf[target] = b;
    }
  }
  for (std::size_t k = 0; k < kTargetSpace / kBlock; ++k) {
    std::vector<std::uint8_t> block;
    for (std::size_t t = k * kBlock; t < (k + 1) * kBlock && boardOf[t] >= 0; ++t) {
      block.push_back(m[static_cast<std::size_t>(boardOf[t])]);
    }
    if (block.size() != kBlock) continue;
    ++check.blocksChecked;
    if (!crcMatches(block, m[kTable + 2 * k], m[kTable + 2 * k + 1])) {
      check.mismatchedBlocks.push_back(static_cast<int>(k));
    }
  }
  return check;
}

}  // namespace qrk::sim
