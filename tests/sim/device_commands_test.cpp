#include <gtest/gtest.h>

#include <algorithm>

#include "sim/qrk_device.h"
#include "tests/sim/frames.h"

namespace qrk::sim {
namespace {

using namespace test;

// One request in, everything the device sends back out. Requests are spaced
// far apart so that each is answered on its own.
class DeviceAnswers : public ::testing::Test {
 protected:
  void use(std::string_view model, DeviceOptions options = {}) {
    device = QrkDevice::forModel(model, std::move(options));
  }
  std::vector<TimedChunk> send(const Bytes& request) {
    now += 1'000'000;
    return device.receive(request, now);
  }
  Bytes ask(const Bytes& request) { return joined(send(request)); }

  QrkDevice device = QrkDevice::forModel("QRK5-16B");
  std::int64_t now = 0;
};

TEST_F(DeviceAnswers, HandshakeWithOrWithoutPreamble) {
  const Bytes expected{0x68, 0x00, 0x06, 0x80, 0xEE, 0x16};
  EXPECT_EQ(ask(shortCommand(cmd::kHandshake, 0xF0)), expected);
  const Bytes params{0x02, 0xF0};
  EXPECT_EQ(ask(buildRequest(cmd::kHandshake, params)), expected);
}

TEST_F(DeviceAnswers, SwitchedOnOnlyAfterIgnoringTheFirstHandshakes) {
  use("QRK5-16B", DeviceOptions().withPowerOnAfter(3));
  EXPECT_TRUE(ask(shortCommand(cmd::kVersion)).empty());  // off: nothing answers
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(ask(shortCommand(cmd::kHandshake, 0xF0)).empty());
  EXPECT_EQ(device.handshakesIgnored(), 3);
  EXPECT_TRUE(device.poweredOn());
  EXPECT_EQ(ask(shortCommand(cmd::kHandshake, 0xF0)), reply(0x80));
  EXPECT_EQ(device.handshakesIgnored(), 3);
}

TEST_F(DeviceAnswers, VersionDefaultAndConfigured) {
  EXPECT_EQ(ask(shortCommand(cmd::kVersion)), reply(0x0C, {0x32}));
  use("QRK5-16B", DeviceOptions().withVersion(0x05));
  EXPECT_EQ(ask(shortCommand(cmd::kVersion)), reply(0x0C, {0x05}));
}

TEST_F(DeviceAnswers, IdLowByteFirstPerModelKind) {
  struct Case {
    std::string_view model;
    Bytes idBytes;
  };
  for (const Case& c : {Case{"QRK5-16B", {0x04, 0xF1}}, Case{"QRK3-04A", {0x01, 0xF0}},
                        Case{"QRK3-64G", {0x55, 0x00}}, Case{"QRK5-32D", {0xFF, 0xFF}}}) {
    use(c.model);
    EXPECT_EQ(ask(shortCommand(cmd::kReadId)), reply(cmd::kReadId, c.idBytes)) << c.model;
  }
  use("QRK5-16B", DeviceOptions().withId(0x1234));
  EXPECT_EQ(ask(shortCommand(cmd::kReadId)), reply(cmd::kReadId, {0x34, 0x12}));
}

TEST_F(DeviceAnswers, EraseClearsFlashAndOptionBytes) {
  device.loadFlash(0x0000, counting(300));
  device.loadFlash(0xFBFF, {0x12});
  device.optionBytes() = {0xF8, 0xEF};
  EXPECT_EQ(ask(shortCommand(cmd::kErase)), reply(cmd::kErase));
  EXPECT_TRUE(std::all_of(device.flash().begin(), device.flash().end(),
                          [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(device.flash().size(), 0xFC00u);
  EXPECT_EQ(device.optionBytes(), (std::array<std::uint8_t, 2>{0xFF, 0xFF}));
}

TEST_F(DeviceAnswers, BlankCheckAcknowledgesThenReportsAfterTheReadTime) {
  const auto blank = send(shortCommand(cmd::kBlankCheck));
  ASSERT_EQ(blank.size(), 2u);
  EXPECT_EQ(blank[0].bytes, reply(cmd::kBlankCheck));
  EXPECT_EQ(blank[0].atUs, now + 100);
  EXPECT_EQ(blank[1].bytes, reply(cmd::kBlankCheck, {0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(blank[1].atUs, now + 100 + 5'000);

  // The first programmed byte is named, not any later one.
  device.loadFlash(0x3000, {0x00});
  device.loadFlash(0x12A0, {0x5A});
  EXPECT_EQ(frames(ask(shortCommand(cmd::kBlankCheck))).at(1),
            reply(cmd::kBlankCheck, {0x00, 0x12, 0xA0, 0x5A}));
}

TEST_F(DeviceAnswers, OptionBytesWrittenAreReadBack) {
  EXPECT_EQ(ask(shortCommand(cmd::kReadOption)), reply(cmd::kReadOption, {0xFF, 0xFF}));
  const Bytes request = writeOptionRequest(0xF8, 0xEF);
  EXPECT_EQ(request, (Bytes{0x6A, 0x00, 0x08, 0x05, 0xF8, 0xEF, 0x5E, 0x16}));
  EXPECT_EQ(ask(request), reply(cmd::kWriteOption, {0xF8, 0xEF}));
  EXPECT_EQ(ask(shortCommand(cmd::kReadOption)), reply(cmd::kReadOption, {0xF8, 0xEF}));
}

TEST_F(DeviceAnswers, DataFramesAreStoredAcknowledgedAndLogged) {
  const Bytes block = counting(128, 0x40);  // sum 0x40*128 + 127*128/2 = 0x4000 + 0x1FC0
  EXPECT_EQ(ask(dataFrame(cmd::kDataRestart, 0x0180, block)), reply(0x80, {0x00, 0x03, 0xC0}));
  EXPECT_EQ(ask(dataFrame(cmd::kData, 0x8200, {1, 2, 3, 4, 5})), reply(0x80, {0x01, 0x04, 15}));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), device.flash().begin() + 0x0180));
  EXPECT_EQ(device.flashByte(0x8204), 5);
  EXPECT_EQ(device.flashByte(0x8205), 0xFF);
  const std::vector<DataFrameRecord> log{{cmd::kDataRestart, 0x0180, 128}, {cmd::kData, 0x8200, 5}};
  EXPECT_EQ(device.dataFrames(), log);
  EXPECT_EQ(device.commandCount(cmd::kData), 1);
  EXPECT_EQ(device.commandCount(cmd::kDataRestart), 1);
}

TEST_F(DeviceAnswers, DataFrameEdges) {
  // A count that disagrees with the frame length is not a frame to store.
  Bytes lying = dataFrame(cmd::kData, 0x0000, {1, 2, 3, 4});
  lying[9] = 5;
  lying[lying.size() - 2] = frameCheckSum(lying, 0, lying.size() - 3);
  EXPECT_TRUE(ask(lying).empty());
  EXPECT_TRUE(device.dataFrames().empty());

  // Bytes past the top of the model are dropped; the frame is still acknowledged.
  use("QRK5-04A");  // top 0x3BFF
  EXPECT_EQ(ask(dataFrame(cmd::kData, 0x3BFE, {1, 2, 3, 4})), reply(0x80, {0x00, 0x77, 10}));
  EXPECT_EQ(device.flash().size(), 0x3C00u);
  EXPECT_EQ(device.flashByte(0x3BFF), 2);
}

TEST_F(DeviceAnswers, ReadEchoesAddressAndCountThenTheBytes) {
  const Bytes request = readRequest(0x0000, 128);
  EXPECT_EQ(request, (Bytes{0x6A, 0, 0x0C, 0, 0, 0, 0, 0, 0, 0x80, 0xF6, 0x16}));
  device.loadFlash(0x0100, counting(128));
  Bytes expected{0x00, 0x00, 0x01, 0x00, 0x00, 0x80};
  const Bytes data = counting(128);
  expected.insert(expected.end(), data.begin(), data.end());
  EXPECT_EQ(ask(readRequest(0x0100, 128)), reply(cmd::kRead, expected));

  // Beyond the model's space the flash reads erased.
  use("QRK5-04A");
  device.loadFlash(0x3BF0, Bytes(16, 0x11));
  const Bytes tail = ask(readRequest(0x3BF0, 32));
  ASSERT_EQ(tail.size(), 32u + 12);
  EXPECT_EQ(tail[10 + 15], 0x11);
  EXPECT_EQ(tail[10 + 16], 0xFF);
}

TEST_F(DeviceAnswers, AnOversizedReadIsCutToFitTheReceiveBuffer) {
  const Bytes answer = ask(readRequest(0x0000, 0xFFFF));
  ASSERT_EQ(answer.size(), frame::kMaxReplyLength);
  EXPECT_EQ(answer[8] << 8 | answer[9], static_cast<int>(QrkDevice::kMaxReadCount));
  EXPECT_EQ(validateReply(answer, false), FrameCheck::Good);
}

TEST_F(DeviceAnswers, PageSumsCoverOnlyThePartOfEachPageInsideTheRange) {
  // A full erased page sums to 0xFF00.
  EXPECT_EQ(ask(pageSumRequest(0x0000, 0x00FF)), reply(cmd::kPageSums, {0xFF, 0x00}));
  // 0x0105..0x0304: 251 bytes of page 1, all of page 2, 5 bytes of page 3.
  EXPECT_EQ(ask(pageSumRequest(0x0105, 0x0304)),
            reply(cmd::kPageSums, {0xFA, 0x05, 0xFF, 0x00, 0x04, 0xFB}));
  // Inside one page: the bytes 1..16 at 0x10..0x1F sum to 136.
  device.loadFlash(0x0010, counting(16, 1));
  EXPECT_EQ(ask(pageSumRequest(0x0010, 0x001F)), reply(cmd::kPageSums, {0x00, 0x88}));
  // An empty range gives no sums.
  EXPECT_EQ(ask(pageSumRequest(0x0200, 0x01FF)), reply(cmd::kPageSums));
  // A range too large for one reply is answered for as many pages as fit.
  const Bytes all = ask(pageSumRequest(0x0000, 0xFFFFFFFF));
  EXPECT_EQ(all.size(), 6 + 2 * QrkDevice::kMaxPageSums);
  EXPECT_EQ(validateReply(all, false), FrameCheck::Good);
}

TEST_F(DeviceAnswers, StopUnknownAndBoardCommandsGetNoReply) {
  for (std::uint8_t command : {cmd::kStop, std::uint8_t{0x55}, cmd::kBoardCapacity}) {
    EXPECT_TRUE(ask(shortCommand(command)).empty()) << int{command};
    EXPECT_EQ(device.commandCount(command), 1);
  }
  // A board frame in CRC mode does not pass the sum check.
  EXPECT_TRUE(ask(buildShortCommand(cmd::kHandshake, 2, 0xF1, true)).empty());
}

TEST_F(DeviceAnswers, BrokenFramesAreIgnoredAndTheNextOneAnswered) {
  Bytes badSum = shortCommand(cmd::kVersion);
  ++badSum[8];
  Bytes badEnd = shortCommand(cmd::kVersion);
  badEnd[9] = 0x15;
  EXPECT_TRUE(ask(badSum).empty());
  EXPECT_TRUE(ask(badEnd).empty());
  EXPECT_EQ(device.rejectedFrames(), 2);
  EXPECT_EQ(ask(shortCommand(cmd::kVersion)), reply(0x0C, {0x32}));
}

TEST_F(DeviceAnswers, AnyChunkingAndNoiseBetweenFrames) {
  // Byte by byte.
  const Bytes handshake = shortCommand(cmd::kHandshake, 0xF0);
  Bytes out;
  for (std::uint8_t b : handshake) out = joined(device.receive(Bytes{b}, now));
  EXPECT_EQ(out, reply(0x80));

  // Two requests and noise in one write: both answered, in order.
  Bytes stream{0x00, 0x16, 0x6A};  // a stray 0x6A whose "length" is impossible
  const Bytes version = shortCommand(cmd::kVersion);
  stream.insert(stream.end(), version.begin(), version.end());
  stream.insert(stream.end(), handshake.begin(), handshake.end());
  const auto answers = frames(ask(stream));
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0], reply(0x0C, {0x32}));
  EXPECT_EQ(answers[1], reply(0x80));
}

TEST_F(DeviceAnswers, AFragmentLeftStaleDoesNotSwallowTheNextRequest) {
  const Bytes version = shortCommand(cmd::kVersion);
  device.receive(std::span(version).first(5), 0);
  EXPECT_EQ(joined(device.receive(version, 30'000)), reply(0x0C, {0x32}));
  EXPECT_EQ(device.rejectedFrames(), 1);
}

TEST(DeviceModel, UnknownModelNameIsRefused) {
  EXPECT_THROW(QrkDevice::forModel("qrk5-16b"), std::invalid_argument);
}

}  // namespace
}  // namespace qrk::sim
