#include "sim/line_timing.h"

#include <gtest/gtest.h>

#include "sim/qrk_device.h"
#include "tests/sim/frames.h"

namespace qrk::sim {
namespace {

using namespace test;

TEST(LineTiming, ByteTimesAt115200Baud) {
  EXPECT_EQ(byteDoneUs(0, 0), 87);  // 86.8 us, rounded up
  EXPECT_EQ(wireTimeUs(10), 869);
  EXPECT_EQ(wireTimeUs(0), 0);
  // No drift over a long transfer: 11520 bytes are exactly one second.
  EXPECT_EQ(wireTimeUs(11'520), 1'000'000);
}

TEST(DeviceTiming, WithoutEmulationTheReplyComesAfterTheResponseDelay) {
  QrkDevice device = QrkDevice::forModel("QRK5-16B", DeviceOptions().withResponseDelayUs(250));
  const auto chunks = device.receive(shortCommand(cmd::kVersion), 1'000);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].atUs, 1'250);

  // A negative delay cannot put the reply before its request.
  QrkDevice eager = QrkDevice::forModel("QRK5-16B", DeviceOptions().withResponseDelayUs(-500));
  EXPECT_EQ(eager.receive(shortCommand(cmd::kVersion), 1'000).at(0).atUs, 1'000);
}

TEST(DeviceTiming, WithEmulationRequestsAreSeenOnlyOnceTransmitted) {
  QrkDevice device = QrkDevice::forModel("QRK5-16B", DeviceOptions().withBaudEmulation());
  const Bytes handshake = shortCommand(cmd::kHandshake, 0xF0);
  const auto chunks = device.receive(handshake, 0);
  // Seen when the tenth byte has arrived; each reply byte then takes its wire time.
  const std::int64_t start = wireTimeUs(handshake.size()) + 100;
  ASSERT_EQ(chunks.size(), 6u);
  for (std::size_t k = 0; k < chunks.size(); ++k) {
    EXPECT_EQ(chunks[k].bytes.size(), 1u);
    EXPECT_EQ(chunks[k].atUs, byteDoneUs(start, k));
  }
  EXPECT_EQ(joined(chunks), reply(0x80));
  // The whole exchange fits the programmer's 20 ms handshake wait with room to spare.
  EXPECT_LT(chunks.back().atUs, 2'000);
}

TEST(DeviceTiming, WithEmulationNeitherDirectionGoesFasterThanTheWire) {
  QrkDevice device = QrkDevice::forModel("QRK5-16B", DeviceOptions().withBaudEmulation());
  // Two requests written at once: the second is seen one frame time later.
  Bytes both = readRequest(0x0000, 128);
  const Bytes handshake = shortCommand(cmd::kHandshake, 0xF0);
  both.insert(both.end(), handshake.begin(), handshake.end());
  const auto chunks = device.receive(both, 0);
  const auto answers = frames(joined(chunks));
  ASSERT_EQ(answers.size(), 2u);
  ASSERT_EQ(chunks.size(), answers[0].size() + answers[1].size());
  // The 140-byte read reply leaves the wire no sooner than 140 byte times after
  // its request was seen, and the handshake reply queues behind it.
  const std::int64_t readStart = wireTimeUs(12) + 100;
  EXPECT_EQ(chunks[139].atUs, readStart + wireTimeUs(140));
  EXPECT_EQ(chunks[140].atUs, chunks[139].atUs + 87);
  for (std::size_t i = 1; i < chunks.size(); ++i) {
    EXPECT_GE(chunks[i].atUs - chunks[i - 1].atUs, 86) << i;
  }
}

TEST(DeviceTiming, WithEmulationAWriteWaitsForTheLineToCarryTheOneBefore) {
  QrkDevice device = QrkDevice::forModel("QRK5-16B", DeviceOptions().withBaudEmulation());
  const Bytes handshake = shortCommand(cmd::kHandshake, 0xF0);
  device.receive(handshake, 0);
  const auto second = device.receive(handshake, 100);
  // Seen two frame times after the first write, answered 100 us later.
  EXPECT_EQ(second.front().atUs, byteDoneUs(2 * wireTimeUs(10) + 100, 0));
}

TEST(DeviceTiming, BlankCheckResultFollowsTheReadTime) {
  QrkDevice device = QrkDevice::forModel("QRK5-16B", DeviceOptions().withBlankCheckReadUs(40'000));
  const auto chunks = device.receive(shortCommand(cmd::kBlankCheck), 0);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[1].atUs - chunks[0].atUs, 40'000);
}

}  // namespace
}  // namespace qrk::sim
