#include "ops/program.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "flash_op_fixture.h"
#include "link/frame.h"
#include "ops/data_frame.h"
#include "ops/progress.h"

namespace qrk {
namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::DataFrameRecord;
using sim::Fault;
using sim::FaultKind;

bool flashHolds(const test::SimOps& t, std::int32_t first, const Bytes& bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (t.sim.device.flashByte(first + i) != bytes[i]) return false;
  }
  return true;
}

// --- block and frame layout ------------------------------------------------

TEST(ProgramLayout, Block128RangeGoesAsWholeBlocksFromTheRoundedStartThenTheFinalPart) {
  test::SimOps t("QRK5-32E");  // kind 0, blocks of 128
  const Bytes data = test::patternBytes(0x0304 - 0x0105 + 1);
  t.load(0x0105, data);
  ASSERT_EQ(programBlocks(t.ctx()), 0);
  const std::vector<DataFrameRecord> expected = {{0x03, 0x0100, 128},
                                                 {0x03, 0x0180, 128},
                                                 {0x03, 0x0200, 128},
                                                 {0x03, 0x0280, 128},
                                                 {0x03, 0x0300, 5}};
  EXPECT_EQ(t.frames(), expected);
  EXPECT_TRUE(flashHolds(t, 0x0105, data));
  // The block rounded down starts with the image's own bytes before rangeLow.
  EXPECT_EQ(t.sim.device.flashByte(0x0100), t.image.at(0x0100));
}

TEST(ProgramLayout, Block512RangeRestartsEveryKind2BlockButNotTheFinalPartsFirstAttempt) {
  test::SimOps t("QRK5-16B");  // kind 2, blocks of 512
  t.load(0x0105, test::patternBytes(0x0304 - 0x0105 + 1));
  ASSERT_EQ(programBlocks(t.ctx()), 0);
  const std::vector<DataFrameRecord> expected = {
      {0x04, 0x0000, 128}, {0x03, 0x0080, 128}, {0x03, 0x0100, 128}, {0x03, 0x0180, 128},
      {0x03, 0x0200, 128}, {0x03, 0x0280, 128}, {0x03, 0x0300, 5}};
  EXPECT_EQ(t.frames(), expected);
}

TEST(ProgramLayout, ARetriedFinalPartStartsAgainWithTheRestartCommand) {
  test::SimOps t("QRK5-16B");
  t.sim.device.addFault(Fault{FaultKind::Drop, 5, false, {0x03, 0x04}, 0});
  t.load(0x0105, test::patternBytes(0x0304 - 0x0105 + 1));
  ASSERT_EQ(programBlocks(t.ctx()), 0);
  const std::vector<DataFrameRecord> frames = t.frames();
  const std::vector<DataFrameRecord> finalPart(frames.begin() + 4, frames.end());
  const std::vector<DataFrameRecord> expected = {
      {0x03, 0x0200, 128}, {0x04, 0x0200, 128}, {0x03, 0x0280, 128}, {0x03, 0x0300, 5}};
  EXPECT_EQ(finalPart, expected);
}

TEST(ProgramLayout, ARangeInsideOneBlockWritesThatWholeBlockAndNoFinalPart) {
  {
    test::SimOps t("QRK5-32E");
    t.load(0x0105, test::patternBytes(12));
    ASSERT_EQ(programBlocks(t.ctx()), 0);
    EXPECT_EQ(t.frames(), (std::vector<DataFrameRecord>{{0x03, 0x0100, 128}}));
  }
  {
    test::SimOps t("QRK5-16B");
    t.load(0x0210, test::patternBytes(0x11));
    ASSERT_EQ(programBlocks(t.ctx()), 0);
    EXPECT_EQ(
        t.frames(),
        (std::vector<DataFrameRecord>{
            {0x04, 0x0200, 128}, {0x03, 0x0280, 128}, {0x03, 0x0300, 128}, {0x03, 0x0380, 128}}));
  }
  {  // kind 1 blocks are 512 bytes too, but only retries restart them
    test::SimOps t("QRK3-16F");
    t.load(0x0000, test::patternBytes(0x200));
    ASSERT_EQ(programBlocks(t.ctx()), 0);
    EXPECT_EQ(t.frames().front(), (DataFrameRecord{0x03, 0x0000, 128}));
    EXPECT_EQ(t.frames().size(), 4U);
  }
}

TEST(ProgramLayout, DataFrameBytes) {
  ImageBuffer image;
  image.store(0x1280, Bytes{0x01, 0x02, 0x03});
  const Bytes frame = buildDataFrame(image, 0x1280, 3, false);
  const Bytes expected = {0x6A, 0x00, 0x0F, 0x03, 0x00, 0x00, 0x12, 0x80,
                          0x00, 0x03, 0x01, 0x02, 0x03, 0x17, 0x16};
  EXPECT_EQ(frame, expected);
  EXPECT_EQ(buildDataFrame(image, 0x1280, 3, true)[3], 0x04);
}

TEST(ProgramLayout, TopKilobyteOfAKind2ModelIsTwoRestartedBlocks) {
  test::SimOps t("QRK5-16B");  // top 0xFBFF
  for (std::int32_t a = 0xF800; a <= 0xFBFF; ++a) t.image.set(a, static_cast<std::uint8_t>(a));
  ASSERT_EQ(programTopKilobyte(t.ctx()), 0);
  ASSERT_EQ(t.frames().size(), 8U);
  EXPECT_EQ(t.frames()[0], (DataFrameRecord{0x04, 0xF800, 128}));
  EXPECT_EQ(t.frames()[4], (DataFrameRecord{0x04, 0xFA00, 128}));
  EXPECT_EQ(t.frames()[7], (DataFrameRecord{0x03, 0xFB80, 128}));
  EXPECT_EQ(t.sim.device.flashByte(0xFBFF), 0xFF);
  EXPECT_EQ(t.sim.device.flashByte(0xF9AB), 0xAB);
  EXPECT_EQ(t.host.kbyte.back(), "1.000K");
}

// --- acknowledgements and retries --------------------------------------------

Reply replyOf(const Bytes& frameBytes) { return Reply(frameBytes, false); }

TEST(DataAcknowledgement, ABareSixByteAckIsAcceptedWhateverFrameItFollows) {
  EXPECT_TRUE(dataAckAccepted(replyOf(buildReply(0x80, {})), 7, 0x55));
  EXPECT_TRUE(dataAckAccepted(replyOf(buildReply(0x80, {})), 0, 0x00));
}

TEST(DataAcknowledgement, AnEchoMustNameTheChunkAndItsDataSum) {
  EXPECT_TRUE(dataAckAccepted(replyOf(buildReply(0x80, {0x01, 0x02, 0x55})), 0x0102, 0x55));
  EXPECT_FALSE(dataAckAccepted(replyOf(buildReply(0x80, {0x01, 0x03, 0x55})), 0x0102, 0x55));
  EXPECT_FALSE(dataAckAccepted(replyOf(buildReply(0x80, {0x01, 0x02, 0x56})), 0x0102, 0x55));
  EXPECT_FALSE(dataAckAccepted(replyOf(buildReply(0x03, {0x01, 0x02, 0x55})), 0x0102, 0x55));
  EXPECT_FALSE(dataAckAccepted(replyOf(buildReply(0x03, {})), 0, 0));
}

TEST(DataAcknowledgement, AnAckTooShortForItsEchoIsRefusedWithoutReadingPastIt) {
  // Seven and eight bytes: the chunk number or the sum is missing, and the
  // check and end bytes must not be taken for them.
  EXPECT_FALSE(dataAckAccepted(replyOf(buildReply(0x80, {0x00})), 0, 0x00));
  EXPECT_FALSE(dataAckAccepted(replyOf(buildReply(0x80, {0x00, 0x00})), 0, 0x80));
  EXPECT_FALSE(dataAckAccepted(Reply{}, 0, 0));
}

TEST(ProgramRetries, ABlockIsTriedSixTimesFromItsFirstFrame) {
  test::SimOps t("QRK5-16B");
  t.sim.device.addFault(Fault::every(FaultKind::BadAck));
  t.load(0x0000, test::patternBytes(0x400));
  EXPECT_EQ(programImage(t.ctx(), true), -1);
  const std::vector<DataFrameRecord> one = {{0x04, 0x0000, 128}};
  EXPECT_EQ(t.frames(), std::vector<DataFrameRecord>(6, one.front()));
  EXPECT_EQ(t.pane.text(), "We are programing ...\r\nProgram is failure!");
}

TEST(ProgramRetries, TheFinalPartIsTriedThreeTimes) {
  test::SimOps t("QRK5-32E");
  t.sim.device.addFault(Fault{FaultKind::BadAck, 3, true, {}, 0});
  t.load(0x0000, test::patternBytes(0x105));
  EXPECT_EQ(programBlocks(t.ctx()), -1);
  const std::vector<DataFrameRecord> expected = {{0x03, 0x0000, 128},
                                                 {0x03, 0x0080, 128},
                                                 {0x03, 0x0100, 5},
                                                 {0x04, 0x0100, 5},
                                                 {0x04, 0x0100, 5}};
  EXPECT_EQ(t.frames(), expected);
}

TEST(ProgramRetries, ABlockThatSucceedsOnARetryLetsTheProgramGoOn) {
  test::SimOps t("QRK5-16B");
  t.sim.device.addFault(Fault{FaultKind::BadAck, 2, false, {}, 0});
  t.sim.device.addFault(Fault{FaultKind::Garbage, 3, false, {}, 0});
  const Bytes data = test::patternBytes(0x300);
  t.load(0x0000, data);
  EXPECT_EQ(programImage(t.ctx(), true), 0);
  EXPECT_TRUE(flashHolds(t, 0, data));
  EXPECT_EQ(t.pane.text(), "We are programing ...\r\nProgram OK!");
}

TEST(ProgramRetries, AFailedFrameWhileTheWindowIsClosingMakesTheCloseDue) {
  test::SimOps t("QRK5-16B");
  t.sim.device.addFault(Fault::every(FaultKind::Drop));
  t.load(0x0000, test::patternBytes(16));
  t.flags.closeRequested = true;
  EXPECT_EQ(sendDataFrame(t.ctx(), 0x0000, 16, true), -1);
  EXPECT_TRUE(t.flags.closeWindowDue);
}

// --- what is refused before anything is sent -----------------------------------

TEST(ProgramRefusals, BytesAboveTheSixteenBitAddressAreNeverSentToATruncatedAddress) {
  test::SimOps t("QRK5-64E");  // kind 0 with an upper block 0x10000 .. 0x11FFF
  t.load(0xFF00, test::patternBytes(0x200));
  EXPECT_EQ(programImage(t.ctx(), true), -1);
  EXPECT_TRUE(t.sim.port.written().empty());
  EXPECT_EQ(t.pane.text(),
            "We are programing ...\r\nAddress 0100FFH is beyond 00FFFFH, the last address the ISP "
            "link can reach!\r\n地址超出 ISP 通讯可寻址的范围 (00FFFFH)！\r\nProgram is failure!");
  EXPECT_EQ(programTopKilobyte(t.ctx()), -1);
  EXPECT_EQ(sendDataFrame(t.ctx(), 0xFFF0, 32, false), -1);
  EXPECT_TRUE(t.sim.port.written().empty());
}

TEST(ProgramRefusals, AnEmptyOrInvertedRangeIsRefused) {
  test::SimOps t("QRK5-16B");
  t.image.fileLoaded = true;
  t.image.rangeLow = ImageBuffer::kClearedLow;  // a clear with no file laid in yet
  t.image.rangeHigh = 0;
  EXPECT_EQ(programImage(t.ctx(), true), -1);
  t.image.rangeLow = 0x0200;
  t.image.rangeHigh = 0x01FF;
  EXPECT_EQ(programBlocks(t.ctx()), -1);
  EXPECT_TRUE(t.sim.port.written().empty());
  EXPECT_NE(t.pane.text().find("The address range 10FFFFH - 000000H is empty!\r\n地址范围为空！"),
            std::string::npos);
}

TEST(ProgramRefusals, WithoutAFileTheUserIsAskedToOpenOneUnlessTheDemoIsWritten) {
  test::SimOps t("QRK5-16B");
  EXPECT_EQ(programImage(t.ctx(), true), -1);
  EXPECT_EQ(t.host.boxes, std::vector<std::string>{"    Please open file./请打开文件。   "});
  t.flags.demoWriteMode = true;
  EXPECT_EQ(programImage(t.ctx(), true), 0);
  EXPECT_TRUE(t.sim.port.written().empty());
  EXPECT_EQ(t.pane.text(), "");
}

TEST(ProgramRefusals, APreparationThatFailsStopsTheProgramBeforeSending) {
  test::SimOps t("QRK5-16B");
  t.load(0x0000, test::patternBytes(16));
  int prepared = 0;
  EXPECT_EQ(programImage(t.ctx(), true, [&] { return ++prepared, false; }), -1);
  EXPECT_EQ(prepared, 1);
  EXPECT_TRUE(t.sim.port.written().empty());
  // A successful preparation may change the image: what it leaves is programmed.
  EXPECT_EQ(programImage(t.ctx(), true,
                         [&] {
                           t.image.set(0x0010, 0x42);
                           t.image.rangeHigh = 0x0010;
                           return true;
                         }),
            0);
  EXPECT_EQ(t.sim.device.flashByte(0x0010), 0x42);
}

// --- the verify that Program owes kinds 0 and 1 --------------------------------

TEST(ProgramReadBack, Kind0And1SayVerifyOkOnlyAfterComparingTheFlash) {
  for (const char* model : {"QRK5-32E", "QRK3-32F"}) {
    test::SimOps t(model);
    t.load(0x0100, test::patternBytes(0x180));
    EXPECT_EQ(programImage(t.ctx(), true), 0) << model;
    EXPECT_EQ(t.pane.text(), "We are programing ...\r\nProgram OK!\r\nVerify  OK!") << model;
    EXPECT_EQ(t.sim.device.commandCount(cmd::kRead), 3) << model;
    EXPECT_FALSE(t.host.progressVisible);
  }
}

TEST(ProgramReadBack, ACellThatDidNotTakeTheDataFailsProgramWithTheMismatchReport) {
  sim::DeviceOptions options;
  options.faults.push_back(Fault::stuckCell(0x0123));
  test::SimOps t("QRK3-32F", options);
  Bytes data = test::patternBytes(0x80);
  data[0x23] = 0x5A;
  t.load(0x0100, data);
  EXPECT_EQ(programImage(t.ctx(), true), -1);
  EXPECT_EQ(t.pane.text(),
            "We are programing ...\r\nProgram OK!\r\nAddress: 000123\r\nBuffer:  5A\r\nFlash:   "
            "00\r\n\r\nVerify is error!");
}

TEST(ProgramReadBack, Kind2LeavesVerifyToItsOwnStep) {
  test::SimOps t("QRK5-16B");
  t.load(0x0100, test::patternBytes(0x80));
  EXPECT_EQ(programImage(t.ctx(), true), 0);
  EXPECT_EQ(t.pane.text(), "We are programing ...\r\nProgram OK!");
  EXPECT_EQ(t.sim.device.commandCount(cmd::kRead), 0);
}

// --- Stop -------------------------------------------------------------------------

TEST(ProgramStop, StopEndsTheProgramSilentlyAndNothingIsSentAfterIt) {
  test::SimOps t("QRK5-16B");
  t.load(0x0000, test::patternBytes(0x2000));
  t.sim.loop.scheduleInUs(2'000, [&] { t.link.requestStop(); });
  EXPECT_EQ(programImage(t.ctx(), true), -1);
  EXPECT_EQ(t.pane.text(), "We are programing ...");
  const std::size_t sent = t.sim.port.written().size();
  EXPECT_GT(sent, 0U);
  EXPECT_LT(sent, 0x2000U / 128);
  EXPECT_EQ(sendDataFrame(t.ctx(), 0, 128, false), -1);
  EXPECT_EQ(programTopKilobyte(t.ctx()), -1);
  EXPECT_EQ(t.sim.port.written().size(), sent);
}

// --- the ISP DEMO path ---------------------------------------------------------------

TEST(ProgramDemo, AFailedTopKilobyteFailsTheStepAndTheImageIsNotSent) {
  test::SimOps t("QRK5-16B");
  t.sim.device.addFault(Fault::every(FaultKind::BadAck));
  t.flags.demoWriteMode = true;
  t.load(0x0000, test::patternBytes(0x100));
  EXPECT_EQ(programTopKilobyteAndImage(t.ctx(), true), -1);
  EXPECT_EQ(t.pane.text(), "\r\nProgram is failure!");
  for (const DataFrameRecord& f : t.frames()) EXPECT_EQ(f.address, 0xF800);
}

TEST(ProgramDemo, TheKilobyteAndThenTheImage) {
  test::SimOps t("QRK5-04A");  // top 0x3BFF
  t.flags.demoWriteMode = true;
  t.load(0x0000, test::patternBytes(0x100));
  for (std::int32_t a = 0x3800; a <= 0x3BFF; ++a) t.image.set(a, 0x3C);
  EXPECT_EQ(programTopKilobyteAndImage(t.ctx(), true), 0);
  EXPECT_EQ(t.sim.device.flashByte(0x3800), 0x3C);
  EXPECT_EQ(t.sim.device.flashByte(0x0001), t.image.at(0x0001));
  EXPECT_EQ(t.pane.text(), "We are programing ...\r\nProgram OK!");
}

// --- progress --------------------------------------------------------------------------

TEST(ProgramProgress, KilobyteLabelPattern) {
  EXPECT_EQ(kbyteText(0.125), ".125K");
  EXPECT_EQ(kbyteText(1.5), "1.500K");
  EXPECT_EQ(kbyteText(64), "64.000K");
  EXPECT_EQ(kbyteText(0), ".000K");
  EXPECT_EQ(kbyteText(517 / 1024.0), ".505K");
  EXPECT_EQ(kbyteText(12345.5), "12345.500K");
}

TEST(ProgramProgress, BlocksReportKilobytesFromTheRoundedStart) {
  test::SimOps t("QRK5-32E");
  t.load(0x0105, test::patternBytes(0x0304 - 0x0105 + 1));
  ASSERT_EQ(programBlocks(t.ctx()), 0);
  EXPECT_EQ(t.host.kbyte, (std::vector<std::string>{".125K", ".250K", ".375K", ".500K", ".505K"}));
  EXPECT_EQ(t.host.progressMin, 0x0100);
  EXPECT_EQ(t.host.progressMax, 0x0304);
  EXPECT_EQ(t.host.progressValues.back(), 0x0304);
  EXPECT_TRUE(std::is_sorted(t.host.progressValues.begin(), t.host.progressValues.end()));
}

}  // namespace
}  // namespace qrk
