#include "sim/reply_line.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "sim/line_timing.h"
#include "sim/qrk_device.h"
#include "sim/wire_frame.h"

namespace qrk::sim {

namespace {

constexpr std::uint8_t kGarbage[] = {0x00, 0xFF, 0x55, 0xAA, 0x16};
constexpr std::uint8_t kBadEnd = 0x15;
constexpr std::uint16_t kOverlongLength = 0x0300;
constexpr std::size_t kOverlongSent = 600;

bool inNaturalScope(const Fault& fault, std::uint8_t command, bool isResult) {
  switch (fault.kind) {
    case FaultKind::Burst:
      return command == cmd::kBlankCheck && isResult;
    case FaultKind::WrongId:
      return command == cmd::kReadId;
    case FaultKind::BadAck:
      return command == cmd::kData || command == cmd::kDataRestart;
    case FaultKind::NotBlank:
      return false;
    default:
      if (fault.commands.empty()) return command != cmd::kHandshake;
      return std::find(fault.commands.begin(), fault.commands.end(), command) !=
             fault.commands.end();
  }
}

// Appends `byte` due at `atUs`, joining the last chunk when it is due then too.
void emit(std::vector<TimedChunk>& out, std::int64_t atUs, std::uint8_t byte) {
  if (out.empty() || out.back().atUs != atUs) out.push_back(TimedChunk{atUs, {}});
  out.back().bytes.push_back(byte);
}

}  // namespace

bool FaultHits::has(FaultKind kind) const {
  for (std::size_t i = 0; i < hits_.size(); ++i) {
    if (hits_[i] && (*faults_)[i].kind == kind) return true;
  }
  return false;
}

FaultHits ReplyLine::hits(const DeviceOptions& options, std::uint8_t command, bool isResult) {
  const std::vector<Fault>& faults = options.faults;
  counters_.resize(faults.size(), 0);
  std::vector<bool> hit(faults.size(), false);
  for (std::size_t i = 0; i < faults.size(); ++i) {
    const Fault& fault = faults[i];
    if (!inNaturalScope(fault, command, isResult)) continue;
    const int seen = ++counters_[i];
    hit[i] = seen == fault.nth || (fault.andLater && seen > fault.nth);
  }
  return FaultHits(faults, std::move(hit));
}

void ReplyLine::transmit(const DeviceOptions& options, std::vector<std::uint8_t> bytes,
                         const FaultHits& hits, std::int64_t dueUs, std::vector<TimedChunk>& out) {
  const std::size_t frameLength = bytes.size();
  if (hits.has(FaultKind::BadCheck)) ++bytes[frameLength - 2];
  if (hits.has(FaultKind::BadEnd)) bytes[frameLength - 1] = kBadEnd;
  if (hits.has(FaultKind::Overlong)) {
    bytes[1] = static_cast<std::uint8_t>(kOverlongLength >> 8);
    bytes[2] = static_cast<std::uint8_t>(kOverlongLength & 0xFF);
    bytes.resize(std::max(bytes.size(), kOverlongSent), 0x00);
  }
  std::size_t prefix = 0;
  if (hits.has(FaultKind::Garbage)) {
    bytes.insert(bytes.begin(), std::begin(kGarbage), std::end(kGarbage));
    prefix = std::size(kGarbage);
  }

  // Pauses inside the reply: (position of the first byte after the pause, length).
  std::vector<std::pair<std::size_t, std::int64_t>> pauses;
  if (hits.has(FaultKind::Split)) {
    for (std::size_t at : {std::size_t{1}, std::size_t{3}, 3 + (frameLength - 3) / 2}) {
      pauses.emplace_back(prefix + at, options.splitPauseUs);
    }
  }
  if (hits.has(FaultKind::Gap)) pauses.emplace_back(prefix + frameLength / 2, options.gapPauseUs);
  std::sort(pauses.begin(), pauses.end());

  if (hits.has(FaultKind::Slow)) dueUs += options.slowExtraUs;
  // The result goes out as soon as its acknowledgement has, in the same burst.
  if (hits.has(FaultKind::Burst)) dueUs -= options.blankCheckReadUs;

  std::int64_t start = std::max(dueUs, txFreeUs_);
  std::size_t pieceStart = 0;
  std::size_t nextPause = 0;
  std::int64_t lastUs = start;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::int64_t pause = -1;
    while (nextPause < pauses.size() && pauses[nextPause].first == i) {
      pause = std::max(pause, pauses[nextPause++].second);
    }
    if (pause >= 0 && i > 0) {
      start = lastUs + pause;
      pieceStart = i;
    }
    lastUs = options.baudEmulation ? byteDoneUs(start, i - pieceStart) : start;
    emit(out, lastUs, bytes[i]);
  }
  txFreeUs_ = lastUs;
}

}  // namespace qrk::sim
