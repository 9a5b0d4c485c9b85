#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numeric>
#include <tuple>

#include "link/frame.h"
#include "ops/page_sums.h"
#include "ops/read_flash.h"
#include "sim/adapter_frames.h"
#include "sim/line_timing.h"
#include "sim/qrk_device.h"
#include "sim/simulated_port.h"
#include "support/sim_replies.h"

namespace qrk::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Requests as the programmer builds them.
Bytes shortCommand(std::uint8_t command, std::uint8_t parameter = 0) {
  return buildShortCommand(command, 2, parameter, false);
}
const auto readRequest = buildReadRequest;
const auto pageSumRequest = buildPageSumRequest;
Bytes dataFrame(std::uint8_t command, std::uint16_t address, const Bytes& data) {
  const auto n = static_cast<std::uint16_t>(data.size());
  return buildRequest(command, Bytes{0, 0, std::uint8_t(address >> 8), std::uint8_t(address),
                                     std::uint8_t(n >> 8), std::uint8_t(n)} +
                                   data);
}

Bytes reply(std::uint8_t code, const Bytes& data = {}) { return buildReply(code, data); }

Bytes joined(const std::vector<TimedChunk>& chunks) {
  Bytes out;
  for (const TimedChunk& c : chunks) out = std::move(out) + c.bytes;
  return out;
}

// One request in, everything the device sends back out. Requests are spaced
// far apart so that each is answered on its own.
class Device : public ::testing::Test {
 protected:
  void use(std::string_view model, DeviceOptions options = {}) {
    device = QrkDevice::forModel(model, std::move(options));
  }
  std::vector<TimedChunk> send(const Bytes& request) {
    now += 1'000'000;
    return device.receive(request, now);
  }
  Bytes ask(const Bytes& request) { return joined(send(request)); }
  Bytes askVersion() { return ask(shortCommand(cmd::kVersion)); }

  QrkDevice device = QrkDevice::forModel("QRK5-16B");
  std::int64_t now = 0;
  const Bytes version = reply(0x0C, {0x32});
};

TEST_F(Device, RepliesByteForByte) {
  EXPECT_EQ(ask(shortCommand(cmd::kHandshake, 0xF0)), (Bytes{0x68, 0x00, 0x06, 0x80, 0xEE, 0x16}));
  EXPECT_EQ(askVersion(), version);
  EXPECT_EQ(ask(shortCommand(cmd::kReadId)), reply(cmd::kReadId, {0x04, 0xF1}));  // low byte first
  EXPECT_EQ(ask(buildRequest(cmd::kWriteOption, {0xF8, 0xEF})),
            reply(cmd::kWriteOption, {0xF8, 0xEF}));
  EXPECT_EQ(ask(shortCommand(cmd::kReadOption)), reply(cmd::kReadOption, {0xF8, 0xEF}));
  // Erased: 251 bytes of page 1, all of page 2, 5 bytes of page 3.
  EXPECT_EQ(ask(pageSumRequest(0x0105, 0x0304)),
            reply(cmd::kPageSums, {0xFA, 0x05, 0xFF, 0x00, 0x04, 0xFB}));

  Bytes block(128);  // sums to 0x3FC0
  std::iota(block.begin(), block.end(), 0x40);
  EXPECT_EQ(ask(dataFrame(cmd::kDataRestart, 0x0180, block)), reply(0x80, {0x00, 0x03, 0xC0}));
  EXPECT_EQ(ask(dataFrame(cmd::kData, 0x8200, {1, 2, 3, 4, 5})), reply(0x80, {0x01, 0x04, 15}));
  const std::vector<DataFrameRecord> log{{cmd::kDataRestart, 0x0180, 128}, {cmd::kData, 0x8200, 5}};
  EXPECT_EQ(device.dataFrames(), log);
  EXPECT_EQ(ask(readRequest(0x0180, 128)),
            reply(cmd::kRead, Bytes{0, 0, 0x01, 0x80, 0, 0x80} + block));
  EXPECT_EQ(ask(pageSumRequest(0x0180, 0x01FF)), reply(cmd::kPageSums, {0x3F, 0xC0}));
  EXPECT_EQ(std::tuple(device.flashByte(0x8204), device.flashByte(0x8205)), std::tuple(5, 0xFF));

  // The blank check acknowledges, then names the first programmed byte.
  device.loadFlash(0xFBFF, {0x12});
  const auto blank = send(shortCommand(cmd::kBlankCheck));
  ASSERT_EQ(blank.size(), 2u);
  EXPECT_EQ(std::tuple(blank[0].bytes, blank[0].atUs, blank[1].bytes, blank[1].atUs),
            std::tuple(reply(cmd::kBlankCheck), now + 100,
                       reply(cmd::kBlankCheck, {0x00, 0x01, 0x80, 0x40}), now + 100 + 5'000));
  EXPECT_EQ(ask(shortCommand(cmd::kErase)), reply(cmd::kErase));
  EXPECT_TRUE(std::ranges::all_of(device.flash(), [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(device.flash().size(), 0xFC00u);
  EXPECT_EQ(ask(shortCommand(cmd::kReadOption)), reply(cmd::kReadOption, {0xFF, 0xFF}));
  EXPECT_EQ(send(shortCommand(cmd::kBlankCheck)).at(1).bytes,
            reply(cmd::kBlankCheck, {0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(Device, NothingIsReadOrWrittenOutsideTheFlashOrTheReceiveBuffer) {
  // A data count that disagrees with the frame length is not a frame to store.
  Bytes lying = dataFrame(cmd::kData, 0x0000, {1, 2, 3, 4});
  lying[9] = 5;
  lying[lying.size() - 2] = frameCheckSum(lying, 0, lying.size() - 3);
  EXPECT_TRUE(ask(lying).empty());
  EXPECT_TRUE(device.dataFrames().empty());

  // More to read, or more page sums, than one reply holds: as much as fits.
  const Bytes oversized = ask(readRequest(0x0000, 0xFFFF));
  ASSERT_EQ(oversized.size(), frame::kMaxReplyLength);
  EXPECT_EQ(oversized[8] << 8 | oversized[9], static_cast<int>(QrkDevice::kMaxReadCount));
  EXPECT_EQ(validateReply(oversized, false), FrameCheck::Good);
  const Bytes sums = ask(pageSumRequest(0x0000, 0xFFFFFFFF));
  EXPECT_EQ(sums.size(), 6 + 2 * QrkDevice::kMaxPageSums);
  EXPECT_EQ(validateReply(sums, false), FrameCheck::Good);
  EXPECT_EQ(ask(pageSumRequest(0x0200, 0x01FF)), reply(cmd::kPageSums));

  // Past the top of the model data is dropped (still acknowledged) and reads see 0xFF.
  use("QRK5-04A");  // top 0x3BFF
  EXPECT_EQ(ask(dataFrame(cmd::kData, 0x3BFE, {1, 2, 3, 4})), reply(0x80, {0x00, 0x77, 10}));
  EXPECT_EQ(device.flash().size(), 0x3C00u);
  EXPECT_EQ(ask(readRequest(0x3BFE, 4)),
            reply(cmd::kRead, {0x00, 0x00, 0x3B, 0xFE, 0x00, 0x04, 1, 2, 0xFF, 0xFF}));
}

TEST_F(Device, UnusableFramesAndNoiseLeaveTheNextRequestAnswered) {
  for (std::uint8_t command : {cmd::kStop, std::uint8_t{0x55}, cmd::kBoardCapacity}) {
    EXPECT_TRUE(ask(shortCommand(command)).empty()) << int{command};
    EXPECT_EQ(device.commandCount(command), 1);
  }
  // A board frame in CRC mode does not pass the sum check.
  EXPECT_TRUE(ask(buildShortCommand(cmd::kHandshake, 2, 0xF1, true)).empty());
  Bytes badSum = shortCommand(cmd::kVersion);
  ++badSum[8];
  Bytes badEnd = shortCommand(cmd::kVersion);
  badEnd[9] = 0x15;
  EXPECT_TRUE(ask(badSum).empty() && ask(badEnd).empty());
  EXPECT_EQ(askVersion(), version);

  // Any chunking, noise between frames, and a fragment left to go stale.
  const Bytes handshake = shortCommand(cmd::kHandshake, 0xF0);
  Bytes out;
  for (std::uint8_t b : handshake) out = joined(device.receive(Bytes{b}, now));
  EXPECT_EQ(out, reply(0x80));

  // A stray 0x6A whose "length" is impossible, then two requests in one write.
  const Bytes versionRequest = shortCommand(cmd::kVersion);
  EXPECT_EQ(ask(Bytes{0x00, 0x16, 0x6A} + versionRequest + handshake), version + reply(0x80));

  device.receive(std::span(versionRequest).first(5), now);  // left to go stale
  EXPECT_EQ(joined(device.receive(versionRequest, now + 30'000)), version);
}

TEST_F(Device, CorruptedAndDelayedReplies) {
  DeviceOptions options;
  for (const char* fault :
       {"bad-check", "bad-end:2", "overlong:3", "garbage:4", "split:5", "gap:6", "slow:7"})
    options.withFault(fault);
  use("QRK5-16B", options);
  EXPECT_EQ(validateReply(askVersion(), false), FrameCheck::BadCheck);
  EXPECT_EQ(validateReply(askVersion(), false), FrameCheck::BadEnd);
  const Bytes overlong = askVersion();  // declares far beyond the receive buffer
  EXPECT_EQ(std::tuple(overlong.size(), overlong[1] << 8 | overlong[2], overlong[4]),
            std::tuple(600u, 0x0300, version[4]));
  const auto garbage = send(shortCommand(cmd::kVersion));  // one chunk: noise, then the frame
  EXPECT_EQ(garbage.at(0).bytes, (Bytes{0x00, 0xFF, 0x55, 0xAA, 0x16} + version));
  const auto split = send(shortCommand(cmd::kReadId));
  ASSERT_EQ(split.size(), 4u);
  EXPECT_EQ(std::tuple(split[0].bytes.size(), split[3].atUs - split[0].atUs, joined(split)),
            std::tuple(1u, 15'000, reply(cmd::kReadId, {0x04, 0xF1})));
  const auto gap = send(shortCommand(cmd::kVersion));
  EXPECT_TRUE(gap.size() == 2 && gap[1].atUs - gap[0].atUs > 20'000 && joined(gap) == version);
  const auto slow = send(shortCommand(cmd::kVersion));
  EXPECT_TRUE(slow.size() == 1 && slow[0].atUs - now > 700'000 && slow[0].bytes == version);
}

// With baud emulation a reply leaves no sooner than the line carried the
// request, and the adapter hands its bytes over in bus-frame bursts, none
// before its time and the last on time: the bench figures rest on both.
TEST(DeviceTiming, NoReplyRunsAheadOfTheLineNorTheAdapterAheadOfTheReply) {
  QrkDevice eager = QrkDevice::forModel("QRK5-16B", DeviceOptions().withResponseDelayUs(-500));
  EXPECT_EQ(eager.receive(shortCommand(cmd::kVersion), 1'000).at(0).atUs, 1'000);
  EXPECT_EQ(wireTimeUs(11'520), 1'000'000);  // no drift over a long transfer
  // A read and a handshake in one write: the handshake's reply queues behind.
  QrkDevice device = QrkDevice::forModel("QRK5-16B", DeviceOptions().withBaudEmulation());
  const auto both =
      device.receive(readRequest(0x0000, 128) + shortCommand(cmd::kHandshake, 0xF0), 0);
  ASSERT_EQ(both.size(), 140u + 6);
  EXPECT_EQ(
      std::tuple(both[0].atUs, both[139].atUs, both[140].atUs - both[139].atUs),
      std::tuple(byteDoneUs(wireTimeUs(12) + 100, 0), wireTimeUs(12) + 100 + wireTimeUs(140), 87));
  std::deque<TimedChunk> due(both.begin(), both.end());
  std::vector<std::int64_t> bursts;
  while (!due.empty()) {
    const AdapterRelease release = nextAdapterRelease(due);
    bursts.push_back(release.atUs);
    for (std::size_t i = 0; i < release.chunks; ++i, due.pop_front()) {
      EXPECT_LE(due.front().atUs, release.atUs) << "a byte reached the host before its time";
      EXPECT_LE(release.atUs - due.front().atUs, kAdapterFrameUs) << "held past a bus frame";
    }
  }
  EXPECT_EQ(bursts.back(), both.back().atUs);
  EXPECT_TRUE(bursts.size() >= 12u && bursts.size() <= 15u) << bursts.size();  // not per byte
}

// A reply due after the port closed must not greet the next opening.
TEST(SimulatedPort, BytesDueWhileClosedAreLost) {
  SimulatedTarget sim("QRK5-16B", DeviceOptions().withFault("slow"));
  sim.port.open("sim", 115200, nullptr);
  sim.port.write(shortCommand(cmd::kVersion));  // comes 800 ms late
  sim.port.close();
  EXPECT_FALSE(sim.port.write(shortCommand(cmd::kVersion)));
  sim.loop.advanceMs(1000);
  ASSERT_TRUE(sim.port.open("sim", 115200, nullptr));
  EXPECT_EQ(sim.port.bytesAvailable(), 0u);
  sim.port.write(shortCommand(cmd::kVersion));
  sim.loop.advanceMs(1);
  EXPECT_EQ(sim.port.readAll(), reply(0x0C, {0x32}));
}

TEST(SimulatedPort, DestroyedWithRepliesInFlight) {
  VirtualEventLoop loop;
  QrkDevice device = QrkDevice::forModel("QRK5-16B");
  {
    SimulatedPort port(loop, device);
    port.open("sim", 115200, nullptr);
    port.write(shortCommand(cmd::kVersion));
  }
  EXPECT_FALSE(loop.hasPendingEvents());  // nothing left to deliver into a port that is gone
  loop.advanceMs(10);
}

}  // namespace
}  // namespace qrk::sim
