#include "link/frame.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "link/crc16.h"
#include "support/sim_replies.h"

namespace qrk {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The check value, low byte first; a range reaching past the end is cut there.
TEST(Crc16, ModbusCheckValueGoesLowByteFirst) {
  const Bytes data{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(crc16(data, 0, data.size()), crc16(data, 0, 100));
  EXPECT_EQ(std::tuple(crc16(data, 0, 9)[0], crc16(data, 0, 9)[1]), std::tuple(0x37, 0x4B));
}

// The device's values, not ours to change: the simulator takes them from the
// link too, so a slip here would pass every end-to-end test.
TEST(ProtocolBytes, AreTheBootloadersAndTheBoardsOwn) {
  using namespace cmd;
  EXPECT_EQ((Bytes{kRead, kReadOption, kData, kDataRestart, kWriteOption, kErase, kBlankCheck,
                   kReadId, kVersion, kPageSums, kBoardCapacity, kHandshake, kStop, kBoardErase,
                   kBoardFinish, kBoardDataFirst, kBoardData, kAckCode}),
            (Bytes{0x00, 0x01, 0x03, 0x04, 0x05, 0x08, 0x09, 0x0A, 0x0C, 0x0D, 0x0E, 0x80, 0x82,
                   0x84, 0x86, 0x00, 0x30, 0x80}));
  EXPECT_EQ((Bytes{frame::kPreamble0, frame::kPreamble1, frame::kRequestStart, frame::kReplyStart,
                   frame::kEnd}),
            (Bytes{0x46, 0xB9, 0x6A, 0x68, 0x16}));
}

TEST(RequestFrames, ShortCommandsInSumAndCrcModeAndReadsWithAddressAndCount) {
  EXPECT_EQ(buildShortCommand(0x80, 2, 0xF0, false),
            (Bytes{0x46, 0xB9, 0x6A, 0x00, 0x08, 0x80, 0x02, 0xF0, 0xE4, 0x16}));
  EXPECT_EQ(buildShortCommand(cmd::kReadId, 2, 0, false),
            (Bytes{0x46, 0xB9, 0x6A, 0x00, 0x08, 0x0A, 0x02, 0x00, 0x7E, 0x16}));
  EXPECT_EQ(buildShortCommand(cmd::kVersion, 0, 0, true),
            (Bytes{0x46, 0xB9, 0x6A, 0x00, 0x09, 0x0C, 0x00, 0x00, 0xCA, 0x8E, 0x16}));
  EXPECT_EQ(buildRequest(cmd::kRead, Bytes{0, 0, 0xFF, 0x80, 0x00, 0x80}),
            (Bytes{0x6A, 0x00, 0x0C, 0x00, 0, 0, 0xFF, 0x80, 0x00, 0x80, 0x75, 0x16}));
}

TEST(ReplyValidation, JudgesEndByteBeforeCheck) {
  const Bytes data{0x12, 0x34};
  Bytes good = buildReply(0x0A, data);
  EXPECT_EQ(validateReply(good, false), FrameCheck::Good);

  Bytes offByOne = good;
  offByOne[offByOne.size() - 2] += 1;
  EXPECT_EQ(validateReply(offByOne, false), FrameCheck::BadCheck);

  Bytes badEnd = good;
  badEnd.back() = 0x17;
  EXPECT_EQ(validateReply(badEnd, false), FrameCheck::BadEnd);

  Bytes crcReply = buildReply(0x0C, data, true);
  EXPECT_EQ(crcReply.size(), 9U);
  EXPECT_EQ(validateReply(crcReply, true), FrameCheck::Good);
  crcReply[crcReply.size() - 3] ^= 0x01;
  EXPECT_EQ(validateReply(crcReply, true), FrameCheck::BadCheck);

  EXPECT_EQ(validateReply(Bytes{0x68, 0x00, 0x03}, false), FrameCheck::BadEnd);
}

}  // namespace
}  // namespace qrk
