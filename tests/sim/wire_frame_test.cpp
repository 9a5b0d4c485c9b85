#include "sim/wire_frame.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "device/mcu_model.h"
#include "link/frame.h"
#include "sim/chip_models.h"

namespace qrk::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Known frames, written out byte by byte: each side of the line is pinned to
// them on its own, so the two cannot drift together.
TEST(SimWireFrame, KnownFramesAndTheCrcCheckValue) {
  const Bytes digits{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(wire::crc16Modbus(digits), (std::array<std::uint8_t, 2>{0x37, 0x4B}));
  EXPECT_EQ(wire::crc16Modbus({}), (std::array<std::uint8_t, 2>{0xFF, 0xFF}));

  EXPECT_EQ(wire::encodeReply(kAckCode, {}), (Bytes{0x68, 0x00, 0x06, 0x80, 0xEE, 0x16}));
  EXPECT_EQ(wire::encodeReply(cmd::kReadId, {0x01, 0xF0}),
            (Bytes{0x68, 0x00, 0x08, 0x0A, 0x01, 0xF0, 0x6B, 0x16}));
  const Bytes crcReply = wire::encodeReply(cmd::kVersion, {0x32}, wire::Check::Crc);
  ASSERT_EQ(crcReply.size(), 8u);
  EXPECT_EQ(Bytes(crcReply.begin(), crcReply.begin() + 5), (Bytes{0x68, 0x00, 0x08, 0x0C, 0x32}));
  EXPECT_EQ(crcReply.back(), 0x16);
  EXPECT_TRUE(wire::frameIsSound(crcReply, wire::Check::Crc));
  EXPECT_FALSE(wire::frameIsSound(crcReply)) << "a CRC frame is no sum frame";
}

// The two independent codings must meet on the line: what the simulated chip
// sends, the programmer accepts, and the other way round, for every payload
// size a frame can carry, in both check modes.
TEST(SimWireFrame, TheProgrammerAndTheSimulatedChipReadEachOthersFrames) {
  std::mt19937 random(7);
  for (std::size_t size = 0; size <= 524; size += (size < 16 ? 1 : 37)) {
    Bytes payload(size);
    for (auto& b : payload) b = static_cast<std::uint8_t>(random());
    for (const bool crc : {false, true}) {
      SCOPED_TRACE(std::to_string(size) + (crc ? " crc" : " sum"));
      const auto check = crc ? wire::Check::Crc : wire::Check::Sum;
      const Bytes reply = wire::encodeReply(0x5A, payload, check);
      EXPECT_EQ(validateReply(reply, crc), FrameCheck::Good);
      const Bytes request = buildRequest(0x5A, payload, crc, false);
      EXPECT_TRUE(wire::frameIsSound(request, check));
    }
  }
}

// The chip table and the programmer's catalogue are kept apart on purpose;
// this is where they must still agree.
TEST(SimChipModels, EveryCatalogueModelHasAChipOfTheSameSizeAndId) {
  EXPECT_EQ(chipModels().size(), mcuCatalogue().size());
  for (const McuModel& model : mcuCatalogue()) {
    SCOPED_TRACE(std::string(model.name));
    const ChipModel* chip = findChip(model.name);
    ASSERT_NE(chip, nullptr);
    EXPECT_EQ(chip->family, familyByte(model.mapKind));
    EXPECT_EQ(chip->topAddress, static_cast<std::uint32_t>(model.topAddress));
    if (model.expectedId.empty()) {
      EXPECT_FALSE(chip->id.has_value());
    } else {
      ASSERT_TRUE(chip->id.has_value());
      char text[8];
      std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(*chip->id));
      EXPECT_EQ(text, model.expectedId);
    }
  }
  EXPECT_EQ(findChip("qrk5-04a"), nullptr);
}

}  // namespace
}  // namespace qrk::sim
