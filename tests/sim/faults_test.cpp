#include <gtest/gtest.h>

#include "link/reply_assembler.h"
#include "sim/fault.h"
#include "sim/qrk_device.h"
#include "tests/sim/frames.h"

namespace qrk::sim {
namespace {

using namespace test;

TEST(FaultText, KindsArgumentsAndScopes) {
  struct Case {
    std::string_view text;
    FaultKind kind;
    int nth;
    bool andLater;
    std::vector<std::uint8_t> commands;
  };
  const Case cases[] = {
      {"drop", FaultKind::Drop, 1, false, {}},
      {"bad-check:3", FaultKind::BadCheck, 3, false, {}},
      {"slow:2+", FaultKind::Slow, 2, true, {}},
      {"gap:all", FaultKind::Gap, 1, true, {}},
      {"split:all@0A", FaultKind::Split, 1, true, {0x0A}},
      {"drop:2+@80", FaultKind::Drop, 2, true, {0x80}},
      {"bad-end@data", FaultKind::BadEnd, 1, false, {0x03, 0x04}},
      {"bad-ack:all", FaultKind::BadAck, 1, true, {}},
      {"burst", FaultKind::Burst, 1, false, {}},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto fault = parseFault(c.text, &error);
    ASSERT_TRUE(fault) << c.text << ": " << error;
    EXPECT_EQ(fault->kind, c.kind) << c.text;
    EXPECT_EQ(fault->nth, c.nth) << c.text;
    EXPECT_EQ(fault->andLater, c.andLater) << c.text;
    EXPECT_EQ(fault->commands, c.commands) << c.text;
    EXPECT_EQ(faultName(fault->kind), c.text.substr(0, c.text.find_first_of(":@")));
  }
  const auto stuck = parseFault("not-blank:12A0", nullptr);
  ASSERT_TRUE(stuck);
  EXPECT_EQ(stuck->cellAddress, 0x12A0u);
  EXPECT_EQ(parseFault("not-blank", nullptr)->cellAddress, 0x0100u);
}

TEST(FaultText, MistakesAreNamed) {
  for (std::string_view text :
       {"", "dropp", "drop:0", "drop:-1", "drop:x", "drop:", "drop@", "drop@123", "drop@zz",
        "wrong-id@0A", "not-blank:xyz", "not-blank:123456", "slow:1++"}) {
    std::string error;
    EXPECT_FALSE(parseFault(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

// A device with faults; requests far apart so that each is answered alone.
class FaultyDevice : public ::testing::Test {
 protected:
  void with(std::initializer_list<const char*> faults) {
    DeviceOptions options;
    for (const char* text : faults) options.faults.push_back(*parseFault(text, nullptr));
    device = QrkDevice::forModel("QRK5-16B", std::move(options));
  }
  std::vector<TimedChunk> send(const Bytes& request) {
    now += 1'000'000;
    return device.receive(request, now);
  }
  Bytes ask(const Bytes& request) { return joined(send(request)); }
  Bytes askVersion() { return ask(shortCommand(cmd::kVersion)); }

  QrkDevice device = QrkDevice::forModel("QRK5-16B");
  std::int64_t now = 0;
  const Bytes goodVersion = reply(0x0C, {0x32});
};

TEST_F(FaultyDevice, NthOnlyFromNthOnAndAll) {
  with({"drop:2"});
  EXPECT_EQ(askVersion(), goodVersion);
  EXPECT_TRUE(askVersion().empty());
  EXPECT_EQ(askVersion(), goodVersion);

  with({"drop:2+"});
  EXPECT_EQ(askVersion(), goodVersion);
  EXPECT_TRUE(askVersion().empty());
  EXPECT_TRUE(askVersion().empty());

  with({"drop:all"});
  EXPECT_TRUE(askVersion().empty());
}

TEST_F(FaultyDevice, HandshakesAreSparedUnlessNamed) {
  with({"drop:all"});
  EXPECT_EQ(ask(shortCommand(cmd::kHandshake, 0xF0)), reply(0x80));
  with({"drop:all@80"});
  EXPECT_TRUE(ask(shortCommand(cmd::kHandshake, 0xF0)).empty());
  EXPECT_EQ(askVersion(), goodVersion);
}

TEST_F(FaultyDevice, ScopedToDataFramesLeavesOtherRepliesAlone) {
  with({"bad-check:1@data"});
  EXPECT_EQ(askVersion(), goodVersion);
  const Bytes ack = ask(dataFrame(cmd::kData, 0x0000, {1, 2}));
  EXPECT_EQ(validateReply(ack, false), FrameCheck::BadCheck);
  EXPECT_EQ(validateReply(ask(dataFrame(cmd::kData, 0x0080, {1, 2})), false), FrameCheck::Good);
}

TEST_F(FaultyDevice, CorruptedFrames) {
  with({"bad-check", "bad-end:2", "overlong:3", "garbage:4"});
  EXPECT_EQ(validateReply(askVersion(), false), FrameCheck::BadCheck);
  EXPECT_EQ(validateReply(askVersion(), false), FrameCheck::BadEnd);

  const Bytes overlong = askVersion();
  ASSERT_EQ(overlong.size(), 600u);
  EXPECT_EQ(overlong[1] << 8 | overlong[2], 0x0300);
  EXPECT_TRUE(std::equal(overlong.begin() + 3, overlong.begin() + 7, goodVersion.begin() + 3));

  const auto garbage = send(shortCommand(cmd::kVersion));
  ASSERT_EQ(garbage.size(), 1u);  // one chunk: the noise comes with the frame
  Bytes expected{0x00, 0xFF, 0x55, 0xAA, 0x16};
  expected.insert(expected.end(), goodVersion.begin(), goodVersion.end());
  EXPECT_EQ(garbage[0].bytes, expected);
}

TEST_F(FaultyDevice, OverlongNeverFitsTheReceiveBuffer) {
  with({"overlong"});
  ReplyAssembler assembler;
  EXPECT_EQ(assembler.feed(askVersion()), ReplyAssembler::Outcome::Abandoned);
}

TEST_F(FaultyDevice, SplitRepliesAssembleAcrossShortPauses) {
  with({"split"});
  const auto chunks = send(shortCommand(cmd::kReadId));
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[0].bytes.size(), 1u);
  EXPECT_EQ(chunks[1].bytes.size(), 2u);
  for (std::size_t i = 1; i < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].atUs - chunks[i - 1].atUs, 5'000);
  }
  ReplyAssembler assembler;
  ReplyAssembler::Outcome outcome{};
  for (const TimedChunk& c : chunks) outcome = assembler.feed(c.bytes);
  EXPECT_EQ(outcome, ReplyAssembler::Outcome::Complete);
  EXPECT_EQ(assembler.check(), FrameCheck::Good);
}

TEST_F(FaultyDevice, GapPausesLongerThanTheByteGap) {
  with({"gap"});
  const auto chunks = send(shortCommand(cmd::kVersion));
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_GT(chunks[1].atUs - chunks[0].atUs, 20'000);
  EXPECT_EQ(joined(chunks), goodVersion);
}

TEST_F(FaultyDevice, SlowReplyComesAfterTheReplyWait) {
  with({"slow"});
  const auto chunks = send(shortCommand(cmd::kVersion));
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_GT(chunks[0].atUs - now, 700'000);
  EXPECT_EQ(chunks[0].bytes, goodVersion);
}

TEST_F(FaultyDevice, BurstSendsTheBlankCheckResultWithItsAcknowledgement) {
  with({"burst"});
  const auto chunks = send(shortCommand(cmd::kBlankCheck));
  ASSERT_EQ(chunks.size(), 1u);
  ReplyAssembler assembler;
  EXPECT_EQ(assembler.feed(chunks[0].bytes), ReplyAssembler::Outcome::Complete);
  EXPECT_EQ(assembler.takeLeftovers(), reply(cmd::kBlankCheck, {0xFF, 0xFF, 0xFF, 0xFF}));
  // Only the first blank check is hit.
  EXPECT_EQ(send(shortCommand(cmd::kBlankCheck)).size(), 2u);
}

TEST_F(FaultyDevice, WrongIdCountsOnlyIdReplies) {
  with({"wrong-id:2"});
  EXPECT_EQ(askVersion(), goodVersion);
  EXPECT_EQ(ask(shortCommand(cmd::kReadId)), reply(cmd::kReadId, {0x04, 0xF1}));
  EXPECT_EQ(ask(shortCommand(cmd::kReadId)), reply(cmd::kReadId, {0xFB, 0x0E}));
}

TEST_F(FaultyDevice, BadAckIsAWellFormedFrameWithTheWrongDataSum) {
  with({"bad-ack"});
  EXPECT_EQ(ask(dataFrame(cmd::kData, 0x0100, {1, 2, 3})), reply(0x80, {0x00, 0x02, 7}));
  EXPECT_EQ(ask(dataFrame(cmd::kData, 0x0100, {1, 2, 3})), reply(0x80, {0x00, 0x02, 6}));
}

TEST_F(FaultyDevice, NotBlankCellSurvivesErase) {
  with({"not-blank:12A0"});
  EXPECT_EQ(device.flashByte(0x12A0), 0x00);
  ask(shortCommand(cmd::kErase));
  EXPECT_EQ(frames(ask(shortCommand(cmd::kBlankCheck))).at(1),
            reply(cmd::kBlankCheck, {0x00, 0x12, 0xA0, 0x00}));
  device.loadFlash(0x12A0, {0xFF});
  EXPECT_EQ(device.flashByte(0x12A0), 0x00);
}

}  // namespace
}  // namespace qrk::sim
