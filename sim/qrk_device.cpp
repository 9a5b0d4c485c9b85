#include "sim/qrk_device.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "sim/line_timing.h"
#include "sim/wire_frame.h"

namespace qrk::sim {

namespace {

// Request sizes, preamble cut off: the frame around the parameters, and these.
constexpr std::size_t kFrame = wire::overhead(wire::Check::Sum);
constexpr std::size_t kShortFrameLength = kFrame + 2;    // map kind, parameter
constexpr std::size_t kReadFrameLength = kFrame + 6;     // address(4), count(2)
constexpr std::size_t kPageSumFrameLength = kFrame + 8;  // first(4), last(4)
constexpr std::size_t kDataFrameOverhead = kFrame + 6;   // address(4), count(2), then the data
constexpr std::size_t kPageSize = 256;
constexpr std::size_t kChunkSize = 128;

std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
  return wire::getBigEndian(b, at, 4);
}

std::uint16_t be16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(wire::getBigEndian(b, at, 2));
}

}  // namespace

DeviceOptions& DeviceOptions::withFault(std::string_view text) {
  std::string error;
  const auto fault = parseFault(text, &error);
  if (!fault) throw std::invalid_argument(error);
  faults.push_back(*fault);
  return *this;
}

QrkDevice::QrkDevice(const ChipModel& model, DeviceOptions options)
    : model_(&model),
      options_(std::move(options)),
      flash_(static_cast<std::size_t>(model.topAddress) + 1, 0xFF),
      id_(options_.id.value_or(model.id.value_or(kNoIdReport))) {
  // Time only runs forwards: a negative delay would put a reply before its request.
  for (std::int64_t* us : {&options_.responseDelayUs, &options_.blankCheckReadUs,
                           &options_.splitPauseUs, &options_.gapPauseUs, &options_.slowExtraUs}) {
    *us = std::max<std::int64_t>(0, *us);
  }
  pinStuckCells();
}

QrkDevice QrkDevice::forModel(std::string_view modelName, DeviceOptions options) {
  const ChipModel* model = findChip(modelName);
  if (model == nullptr) {
    throw std::invalid_argument("unknown model \"" + std::string(modelName) + "\"");
  }
  return QrkDevice(*model, std::move(options));
}

void QrkDevice::addFault(const Fault& fault) {
  options_.faults.push_back(fault);
  pinStuckCells();
}

std::uint8_t QrkDevice::flashByte(std::uint64_t address) const {
  return address < flash_.size() ? flash_[address] : 0xFF;
}

void QrkDevice::loadFlash(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint64_t at = std::uint64_t{address} + i;
    if (at >= flash_.size()) break;
    flash_[at] = bytes[i];
  }
  pinStuckCells();
}

void QrkDevice::pinStuckCells() {
  for (const Fault& fault : options_.faults) {
    if (fault.kind == FaultKind::NotBlank && fault.cellAddress < flash_.size()) {
      flash_[fault.cellAddress] = 0x00;
    }
  }
}

void QrkDevice::switchSupply(bool on, std::int64_t nowUs) {
  if (!options_.supplySwitched || on == supplyOn_) return;
  if (supplyOn_ && !inBootloader_) ++missedBootWindows_;
  supplyOn_ = on;
  inBootloader_ = false;
  if (on) {
    poweredAtUs_ = nowUs;
    ++powerCycles_;
  }
}

void QrkDevice::eraseAll() {
  std::fill(flash_.begin(), flash_.end(), std::uint8_t{0xFF});
  optionBytes_ = {0xFF, 0xFF};
  pinStuckCells();
}

std::vector<TimedChunk> QrkDevice::receive(std::span<const std::uint8_t> bytes,
                                           std::int64_t nowUs) {
  std::vector<TimedChunk> out;
  receiveAtLinePace(bytes, nowUs, options_.baudEmulation, rxFreeUs_,
                    [&](std::uint8_t byte, std::int64_t arrivedUs) {
                      SeenRequest request;
                      if (reader_.feed(byte, arrivedUs, &request)) handle(request, out);
                    });
  return out;
}

void QrkDevice::handle(const SeenRequest& request, std::vector<TimedChunk>& out) {
  const std::span<const std::uint8_t> f = request.bytes;
  const std::uint8_t command = f[3];
  const std::size_t length = f.size();
  ++commandCounts_[command];
  if (!poweredOn()) {
    if (command == cmd::kHandshake && length == kShortFrameLength) ++handshakesIgnored_;
    return;
  }
  if (options_.supplySwitched && !inBootloader_) {
    if (!supplyOn_ || command != cmd::kHandshake || length != kShortFrameLength) return;
    const std::int64_t sincePowerOnUs = request.seenUs - poweredAtUs_;
    if (sincePowerOnUs > options_.bootWindowUs) return;  // the application runs by now
    inBootloader_ = true;
    if (bootObserver_) bootObserver_(sincePowerOnUs);
  }
  const std::int64_t dueUs = request.seenUs + options_.responseDelayUs;
  const bool isShort = length == kShortFrameLength;
  switch (command) {
    case cmd::kHandshake:
      if (isShort) send({command, false, kAckCode, {}}, dueUs, out);
      break;
    case cmd::kVersion:
      if (isShort) send({command, false, cmd::kVersion, {options_.version}}, dueUs, out);
      break;
    case cmd::kReadId:
      if (isShort) {
        const auto lo = static_cast<std::uint8_t>(id_ & 0xFF);
        const auto hi = static_cast<std::uint8_t>(id_ >> 8);
        send({command, false, command, {lo, hi}}, dueUs, out);
      }
      break;
    case cmd::kErase:
      if (isShort) {
        eraseAll();
        send({command, false, command, {}}, dueUs, out);
      }
      break;
    case cmd::kBlankCheck:
      if (isShort) {
        auto result = blankCheckResult();
        send({command, false, command, {}}, dueUs, out);
        send({command, true, command, std::move(result)}, dueUs + options_.blankCheckReadUs, out);
      }
      break;
    case cmd::kReadOption:
      if (isShort) send({command, false, command, {optionBytes_[0], optionBytes_[1]}}, dueUs, out);
      break;
    case cmd::kWriteOption:
      if (isShort) {
        optionBytes_ = {f[4], f[5]};
        send({command, false, command, {f[4], f[5]}}, dueUs, out);
      }
      break;
    case cmd::kData:
    case cmd::kDataRestart:
      if (auto ack = storeDataFrame(f)) send(std::move(*ack), dueUs, out);
      break;
    case cmd::kRead:
      if (length == kReadFrameLength) send({command, false, command, readReply(f)}, dueUs, out);
      break;
    case cmd::kPageSums:
      if (length == kPageSumFrameLength) {
        send({command, false, command, pageSums(f)}, dueUs, out);
      }
      break;
    default:  // stop, board commands and unknown codes get no reply
      break;
  }
}

std::vector<std::uint8_t> QrkDevice::blankCheckResult() const {
  const auto programmed =
      std::find_if(flash_.begin(), flash_.end(), [](std::uint8_t b) { return b != 0xFF; });
  if (programmed == flash_.end()) return {0xFF, 0xFF, 0xFF, 0xFF};
  const auto address = static_cast<std::uint32_t>(programmed - flash_.begin());
  return {static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
          static_cast<std::uint8_t>(address), *programmed};
}

std::optional<QrkDevice::Reply> QrkDevice::storeDataFrame(std::span<const std::uint8_t> f) {
  if (f.size() < kDataFrameOverhead) return std::nullopt;
  const std::uint16_t address = be16(f, 6);
  const std::uint16_t count = be16(f, 8);
  if (f.size() != count + kDataFrameOverhead) return std::nullopt;
  const auto data = f.subspan(10, count);
  unsigned sum = 0;
  for (std::uint8_t b : data) sum += b;
  loadFlash(address, data);
  dataFrames_.push_back({f[3], address, count});
  std::vector<std::uint8_t> ack;
  appendBigEndian(ack, address / kChunkSize, 2);
  ack.push_back(static_cast<std::uint8_t>(sum & 0xFF));
  return Reply{f[3], false, kAckCode, std::move(ack)};
}

std::vector<std::uint8_t> QrkDevice::readReply(std::span<const std::uint8_t> f) const {
  const std::uint32_t address = be32(f, 4);
  const std::size_t count = std::min<std::size_t>(be16(f, 8), kMaxReadCount);
  std::vector<std::uint8_t> data{0x00, 0x00};
  appendBigEndian(data, address & 0xFFFF, 2);
  appendBigEndian(data, static_cast<unsigned>(count), 2);
  for (std::size_t i = 0; i < count; ++i) data.push_back(flashByte(std::uint64_t{address} + i));
  return data;
}

std::vector<std::uint8_t> QrkDevice::pageSums(std::span<const std::uint8_t> f) const {
  const std::uint64_t first = be32(f, 4);
  std::uint64_t last = be32(f, 8);
  std::vector<std::uint8_t> data;
  if (last < first) return data;
  const std::uint64_t firstPage = first / kPageSize;
  last = std::min(last, (firstPage + kMaxPageSums) * kPageSize - 1);
  for (std::uint64_t page = firstPage; page <= last / kPageSize; ++page) {
    const std::uint64_t from = std::max(first, page * kPageSize);
    const std::uint64_t to = std::min(last, page * kPageSize + kPageSize - 1);
    unsigned sum = 0;
    for (std::uint64_t a = from; a <= to; ++a) sum += flashByte(a);
    appendBigEndian(data, sum & 0xFFFF, 2);
  }
  return data;
}

void QrkDevice::send(Reply reply, std::int64_t dueUs, std::vector<TimedChunk>& out) {
  const FaultHits hits = line_.hits(options_, reply.command, reply.isResult);
  if (hits.has(FaultKind::Drop)) return;
  if (hits.has(FaultKind::WrongId) && reply.data.size() >= 2) {
    reply.data[0] = static_cast<std::uint8_t>(~reply.data[0]);
    reply.data[1] = static_cast<std::uint8_t>(~reply.data[1]);
  }
  if (hits.has(FaultKind::BadAck) && reply.data.size() >= 3) ++reply.data[2];
  line_.transmit(options_, wire::encodeReply(reply.code, reply.data), hits, dueUs, out);
}

}  // namespace qrk::sim
