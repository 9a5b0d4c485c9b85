#include <gtest/gtest.h>

#include <array>

#include "ops/data_frame.h"
#include "ops/ops_bench.h"
#include "ops/page_sums.h"
#include "ops/program.h"
#include "ops/progress.h"
#include "ops/read_flash.h"
#include "ops/verify.h"
#include "support/link_fixture.h"

namespace qrk {
namespace {

using sim::Fault;
using sim::FaultKind;
using test::Bytes;
using test::OpsBench;
using test::patternBytes;

TEST(Frames, DataFramesByteForByteAndTheDataAcknowledgementRule) {
  ImageBuffer image;
  image.store(0x1280, Bytes{0x01, 0x02, 0x03});
  EXPECT_EQ(buildDataFrame(image, 0x1280, 3, false),
            (Bytes{0x6A, 0x00, 0x0F, 0x03, 0x00, 0x00, 0x12, 0x80, 0x00, 0x03, 0x01, 0x02, 0x03,
                   0x17, 0x16}));
  EXPECT_EQ(buildDataFrame(image, 0x1280, 3, true)[3], 0x04);
  for (const auto& [kbytes, text] : {std::pair{0.0, ".000K"},
                                     {12345.5, "12345.500K"},
                                     {63.0 / 1024, ".062K"},
                                     {0.0096, ".010K"},
                                     {-0.5, "-.500K"},
                                     {-0.0001, ".000K"}})
    EXPECT_EQ(kbyteText(kbytes), text);  // the thousandths rounded, no leading zero

  // Data acknowledgements: bare, or echoing the chunk and its sum; never read
  // past the reply (with one or two data bytes, its check and end bytes are
  // not the chunk or the sum).
  const std::tuple<std::uint8_t, Bytes, int, std::uint8_t, bool> acks[] = {
      {0x80, {}, 7, 0x55, true},
      {0x80, {0x01, 0x02, 0x55}, 0x0102, 0x55, true},
      {0x80, {0x01, 0x03, 0x55}, 0x0102, 0x55, false},
      {0x80, {0x01, 0x02, 0x56}, 0x0102, 0x55, false},
      {0x03, {0x01, 0x02, 0x55}, 0x0102, 0x55, false},
      {0x03, {}, 0, 0, false},
      {0x80, {0x00}, 0, 0x00, false},
      {0x80, {0x00, 0x00}, 0, 0x80, false}};
  for (const auto& [code, data, chunk, sum, accepted] : acks)
    EXPECT_EQ(dataAckAccepted(Reply(buildReply(code, data), false), chunk, sum), accepted) << chunk;
  EXPECT_FALSE(dataAckAccepted(Reply{}, 0, 0));
}

TEST(ProgramLayout, WholeBlocksFromTheRoundedDownStartThenTheFinalPartForEachKind) {
  struct Case {
    const char* model;
    std::int32_t first;
    std::size_t count;
    const char* frames;
    int lostAck = 0;  // the data acknowledgement lost once, counted from 1; 0: none
  };
  const Case cases[] = {
      {"QRK5-32E", 0x0105, 0x200,  // kind 0: blocks of 128
       "03@0100x80 03@0180x80 03@0200x80 03@0280x80 03@0300x5"},
      {"QRK5-32E", 0x0105, 12, "03@0100x80"},
      {"QRK5-16B", 0x0105, 0x200,  // kind 2: each block of 512 starts with the restart command
       "04@0000x80 03@0080x80 03@0100x80 03@0180x80 03@0200x80 03@0280x80 03@0300x5"},
      {"QRK5-16B", 0x0210, 0x11, "04@0200x80 03@0280x80 03@0300x80 03@0380x80"},
      {"QRK5-16B", 0x0105, 0x200,  // a retried final part starts again with the restart command
       "04@0000x80 03@0080x80 03@0100x80 03@0180x80 03@0200x80 04@0200x80 03@0280x80 03@0300x5", 5},
      {"QRK3-16F", 0x0000, 0x200,  // kind 1: blocks of 512 too, but only a retry restarts one
       "03@0000x80 03@0080x80 03@0100x80 03@0180x80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " from " + std::to_string(c.first));
    OpsBench b(c.model);
    if (c.lostAck) b.sim.device.addFault(Fault{FaultKind::Drop, c.lostAck, false, {0x03, 0x04}, 0});
    const Bytes data = patternBytes(c.count);
    b.load(c.first, data);
    ASSERT_EQ(programBlocks(b.ctx()).reason, Reason::None);
    EXPECT_EQ(b.frames(), c.frames);
    EXPECT_TRUE(b.flashHolds(c.first, data));
    // The rounded-down block carries the image's own bytes below the range.
    const std::int32_t blockStart = b.sim.device.dataFrames().front().address;
    EXPECT_EQ(b.sim.device.flashByte(blockStart), b.image().at(blockStart));
  }
}

TEST(ProgramRetries, SixTriesPerBlockAndThreePerFinalPart) {
  OpsBench b("QRK5-16B", sim::DeviceOptions().withFault(Fault::every(FaultKind::BadAck)));
  EXPECT_EQ(programImage(b.ctx(), true).reason, Reason::Refused);
  EXPECT_EQ(b.frames(), "04@0000x80 04@0000x80 04@0000x80 04@0000x80 04@0000x80 04@0000x80");
  EXPECT_EQ(b.pane(), "We are programing ...\r\nProgram is failure!");
  // With the demo written, a failed top kilobyte fails the step before the image.
  const std::size_t before = b.sim.device.dataFrames().size();
  b.programmer.pane().replace("");
  b.programmer.flags().demoWriteMode = true;
  EXPECT_EQ(programTopKilobyteAndImage(b.ctx(), true).reason, Reason::Refused);
  EXPECT_EQ(b.pane(), "\r\nProgram is failure!");
  EXPECT_EQ(b.frames(before), "04@F800x80 04@F800x80 04@F800x80 04@F800x80 04@F800x80 04@F800x80");

  OpsBench k0("QRK5-32E", sim::DeviceOptions().withFault(Fault{FaultKind::BadAck, 3, true, {}, 0}));
  k0.load(0x0000, patternBytes(0x105));
  EXPECT_EQ(programBlocks(k0.ctx()).reason, Reason::Refused);
  EXPECT_EQ(k0.frames(), "03@0000x80 03@0080x80 03@0100x5 04@0100x5 04@0100x5");
}

TEST(FlashOpRefusals, TruncatedAddressesAndEmptyRangesAreRefusedBeforeSending) {
  OpsBench b("QRK5-64E");  // kind 0 with an upper block 0x10000 .. 0x11FFF
  b.load(0xFF00, patternBytes(0x200));
  EXPECT_EQ(programImage(b.ctx(), true).reason, Reason::File);
  EXPECT_EQ(b.pane(),
            "We are programing ...\r\nAddress 0100FFH is beyond 00FFFFH, the last address the ISP "
            "link can reach!\r\n地址超出 ISP 通讯可寻址的范围 (00FFFFH)！\r\nProgram is failure!");
  for (const Status& beyond : {programTopKilobyte(b.ctx()), verifyImage(b.ctx(), true),
                               sendDataFrame(b.ctx(), 0xFFF0, 32, false)})
    EXPECT_EQ(beyond.reason, Reason::File);
  b.programmer.pane().replace("");
  b.image().rangeLow = ImageBuffer::kClearedLow;  // a clear with no file laid in yet
  b.image().rangeHigh = 0;
  EXPECT_EQ(programImage(b.ctx(), true).reason, Reason::File);
  EXPECT_TRUE(b.paneHas("The address range 10FFFFH - 000000H is empty!\r\n地址范围为空！"));
  b.image().rangeLow = 0x0200;
  b.image().rangeHigh = 0x01FF;
  EXPECT_EQ(programBlocks(b.ctx()).reason, Reason::File);
  EXPECT_EQ(verifyImage(b.ctx(), true).reason, Reason::File);
  EXPECT_TRUE(b.sent() == 0 && !b.paneHas("OK!"));
}

TEST(ProgramReadBack, Kind0And1SayVerifyOkOnlyAfterComparingTheFlashKind2LeavesItToVerify) {
  const std::pair<const char*, int> cases[] = {{"QRK5-32E", 3}, {"QRK3-32F", 3}, {"QRK5-16B", 0}};
  for (const auto& [model, reads] : cases) {
    OpsBench b(model);
    b.load(0x0100, patternBytes(0x180));
    EXPECT_EQ(programImage(b.ctx(), true).reason, Reason::None) << model;
    EXPECT_EQ(b.pane(), std::string("We are programing ...\r\nProgram OK!") +
                            (reads ? "\r\nVerify  OK!" : ""))
        << model;
    EXPECT_EQ(b.sim.device.commandCount(cmd::kRead), reads) << model;
  }
}

TEST(FlashOpStop, NoVerdictAfterStopAndNoOperationSendsOnceStopped) {
  struct Case {
    const char* pane;
    Status (*run)(OpsBench&);
    bool imageKept;
  };
  const Case cases[] = {
      {"We are programing ...", [](OpsBench& b) { return programImage(b.ctx(), true); }, true},
      {"We are Verifying...", [](OpsBench& b) { return verifyImage(b.ctx(), true); }, true},
      {"", [](OpsBench& b) { return readFlash(b.ctx()); }, false}};  // no half-read image
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pane);
    OpsBench b;
    b.load(0x0000, patternBytes(0x2000), true);
    b.sim.loop.scheduleInUs(2'000, [&] { b.programmer.link().requestStop(); });
    EXPECT_EQ(c.run(b).reason, Reason::Stopped);
    EXPECT_EQ(b.pane(), c.pane);
    EXPECT_EQ(b.image().fileLoaded, c.imageKept);
    const std::size_t sent = b.sent();
    EXPECT_GT(sent, 0U);
    EXPECT_LT(sent, 0x2000U / 128);
    for (const Status& later : {sendDataFrame(b.ctx(), 0, 128, false), programTopKilobyte(b.ctx()),
                                verifyImage(b.ctx(), true), verifyByChecksum(b.ctx(), true),
                                readChunk(b.ctx(), 0, 128, true)})
      EXPECT_EQ(later.reason, Reason::Stopped);
    EXPECT_EQ(b.sent(), sent);
  }
}

TEST(VerifyImage, ChunkByChunkOverTheWholeRangeOfInterestAndAMismatchIsReportedOnce) {
  OpsBench b;
  b.load(0x0105, patternBytes(0x0200), true);
  EXPECT_EQ(verifyImage(b.ctx(), true).reason, Reason::None);
  EXPECT_EQ(b.pane(), "We are Verifying...\r\nVerify OK!");
  // 0x0105 .. 0x017F, then whole chunks up to 0x0304, each after an ID request.
  EXPECT_EQ(std::tuple(b.sim.device.commandCount(cmd::kRead),
                       b.sim.device.commandCount(cmd::kReadId), b.host.kbyte.back()),
            std::tuple(5, 5, ".754K"));

  b.programmer.pane().replace("");
  b.image().set(0x01A3, 0xFF);
  b.sim.device.flash()[0x01A3] = 0x00;
  EXPECT_EQ(verifyImage(b.ctx(), true).reason, Reason::Mismatch);
  EXPECT_EQ(b.pane(),
            "We are Verifying...\r\nAddress: 0001A3\r\nBuffer:  FF\r\nFlash:   00\r\n\r\nVerify "
            "is error!");
  EXPECT_EQ(b.sim.device.commandCount(cmd::kRead), 5 + 2);  // a mismatch is not asked again

  // A serial number above the last file's end was programmed too.
  b.image().set(0x01A3, 0x00);
  b.image().set(0x03F0, 0x12);
  b.image().rangeHigh = 0x03F0;
  EXPECT_EQ(verifyImage(b.ctx(), true).reason, Reason::Mismatch);
  EXPECT_TRUE(b.paneHas("Address: 0003F0\r\nBuffer:  12\r\nFlash:   FF"));

  // Writing the ISP DEMO without a file programs the top kilobyte alone: that
  // is what is read back, never the cleared image's first kilobyte.
  b.image().fileLoaded = false;
  b.programmer.flags().demoWriteMode = true;
  for (std::int32_t a = 0xF800; a <= 0xFBFF; ++a) b.image().set(a, 0x5A);
  const int readsBefore = b.sim.device.commandCount(cmd::kRead);
  EXPECT_EQ(verifyImage(b.ctx(), true).reason, Reason::Mismatch);
  EXPECT_TRUE(b.paneHas("Address: 00F800\r\nBuffer:  5A\r\nFlash:   FF"));
  EXPECT_EQ(b.sim.device.commandCount(cmd::kRead), readsBefore + 1);
}

TEST(VerifyByChecksum, ComparesWhatWasProgrammedAndTheTopKilobyteOnlyWhenTheDemoIsWritten) {
  OpsBench b;
  b.load(0x01F0, patternBytes(0x0120), true);
  // Image fill 00 at the top: an erased chip must not fail on bytes never sent.
  for (std::int32_t a = 0xF800; a <= 0xFBFF; ++a) b.image().set(a, 0x00);
  EXPECT_EQ(verifyByChecksum(b.ctx(), true).reason, Reason::None);
  EXPECT_EQ(b.pane(), "We are Verifying...\r\nVerify OK!");
  EXPECT_EQ(b.sim.device.commandCount(cmd::kPageSums), 1);

  for (std::int32_t a = 0xF800; a <= 0xFBFF; ++a) b.image().set(a, 0xFF);
  b.programmer.flags().demoWriteMode = true;
  EXPECT_EQ(verifyByChecksum(b.ctx(), true).reason, Reason::None);
  EXPECT_EQ(b.sim.device.commandCount(cmd::kPageSums), 3);  // the range, then the kilobyte

  // Without a file the kilobyte is still checked, never taken as OK.
  b.image().fileLoaded = false;
  for (std::int32_t a = 0xF800; a <= 0xFBFF; ++a) b.image().set(a, 0xA5);
  EXPECT_EQ(verifyByChecksum(b.ctx(), true).reason, Reason::Mismatch);
  EXPECT_EQ(b.sim.device.commandCount(cmd::kPageSums), 4);
  const Bytes& request = b.sim.port.written().back();
  EXPECT_EQ(Bytes(request.begin() + 4, request.begin() + 12),
            (Bytes{0x00, 0x00, 0xF8, 0x00, 0x00, 0x00, 0xFB, 0xFF}));
  EXPECT_TRUE(b.pane().ends_with("Verify is error!"));

  // A difference is a verify failure, not a communication failure.
  b.programmer.pane().replace("");
  b.programmer.flags().demoWriteMode = false;
  b.image().fileLoaded = true;
  b.sim.device.flash()[0x0234] ^= 0x01;
  EXPECT_EQ(verifyByChecksum(b.ctx(), true).reason, Reason::Mismatch);
  EXPECT_TRUE(b.paneHas("\r\nAddress: 000200 - 0002FF\r\nBuffer:  sum "));
  EXPECT_TRUE(b.pane().ends_with("\r\n\r\nVerify is error!") && !b.paneHas("Communication"));
}

TEST(ReadFlash, TheWholeSpaceBecomesTheImageAndAFailedReadLeavesNoImageToProgram) {
  OpsBench b("QRK3-64F");  // flash up to 0xFFFF
  const Bytes bytes = patternBytes(0x10000);
  b.sim.device.loadFlash(0, bytes);
  b.load(0x0100, Bytes(0x100, 0x00));
  EXPECT_EQ(readFlash(b.ctx()).reason, Reason::None);
  for (std::int32_t a = 0; a <= 0xFFFF; ++a) ASSERT_EQ(b.image().at(a), bytes[a]) << a;
  const ImageBuffer& image = b.image();
  EXPECT_EQ((std::array{image.rangeLow, image.rangeHigh, image.fileStart, image.fileEnd}),
            (std::array{0, 0xFFFF, 0, 0xFFFF}));
  EXPECT_EQ(b.pane(), "\r\nRead AP_ISP OK!");

  // The target stops answering at 0x4000: what was read stays, the rest is
  // blank, and the image no longer counts as a file that Program would send.
  b.programmer.pane().replace("");
  b.load(0x0100, Bytes(0x100, 0x00));
  b.sim.device.addFault(Fault{FaultKind::Drop, 0x4000 / 128 + 1, true, {cmd::kRead}, 0});
  EXPECT_EQ(readFlash(b.ctx()).reason, Reason::NoAnswer);
  EXPECT_EQ(b.pane(), "\r\nRead flash is failure!");
  EXPECT_EQ(std::tuple(image.at(0x3FFF), b.sim.device.commandCount(cmd::kRead)),
            std::tuple(bytes[0x3FFF], 512 + 128 + 6));
  for (std::int32_t a = 0x4000; a <= 0xFFFF; ++a) ASSERT_EQ(image.at(a), 0xFF) << a;
  EXPECT_EQ(std::tuple(image.fileLoaded, image.rangeLow, image.rangeHigh),
            std::tuple(false, 0x0100, 0x01FF));
}

// Replies for another address or count, or short of their bytes.
TEST(Replies, OnlyOneThatAnswersTheRequestCountsAndOnlyBytesThatArrivedAreRead) {
  test::LinkFixture t;
  ImageBuffer image;
  SelectedModel model;
  OperationFlags flags;
  selectModel(model, "QRK5-16B");
  t.link.setMapKind(model.mapKind);
  image.fill(0xFF);
  const OpContext ctx{t.link, t.pane, t.host, image, model, flags};
  const auto readReply = [](Bytes header, std::size_t count, std::uint8_t value) {
    header.insert(header.end(), count, value);
    return buildReply(cmd::kRead, header);
  };
  const Bytes otherAddress = readReply({0, 0, 0x00, 0x00, 0x00, 0x80}, 0x80, 0x5A);
  std::vector<Bytes> queue = {otherAddress, readReply({0, 0, 0x00, 0x80, 0x00, 0x40}, 0x40, 0x5A),
                              readReply({0, 0, 0x00, 0x80, 0x00, 0x80}, 0x7F, 0x5A),
                              buildReply(cmd::kRead, {0x00, 0x00})};
  t.answer[cmd::kReadId] = t.replies(cmd::kReadId, {0x04, 0xF1});
  t.answer[cmd::kRead] = [&](const Bytes&) {
    const Bytes good = readReply({0, 0, 0x00, 0x80, 0x00, 0x80}, 0x80, 0x5A);
    t.port.deliverInUs(500, queue.empty() ? good : queue.front());
    if (!queue.empty()) queue.erase(queue.begin());
  };
  image.store(0x0080, Bytes(0x80, 0x5A));
  EXPECT_EQ(verifyChunk(ctx, 0x0080, 0x80).reason, Reason::None);
  EXPECT_EQ(t.sent[cmd::kRead], 5);  // four bad replies, then the good one
  queue.assign(6, otherAddress);
  EXPECT_EQ(verifyChunk(ctx, 0x0080, 0x80).reason, Reason::NoAnswer);

  queue = {buildReply(cmd::kRead, {0, 0, 0x02, 0x00, 0, 4, 1, 2, 3, 4}),
           buildReply(cmd::kRead, {0, 0, 0x01, 0x00, 0, 4, 5, 6, 7, 8})};
  EXPECT_EQ(readChunk(ctx, 0x0100, 4, true).reason, Reason::NoAnswer);
  EXPECT_EQ(image.at(0x0200), 0xFF);
  EXPECT_EQ(readChunk(ctx, 0x0100, 4, true).reason, Reason::None);
  EXPECT_EQ(std::tuple(image.at(0x0100), image.at(0x0103), image.at(0x0104)),
            std::tuple(5, 8, 0xFF));
  // A count beyond the bytes the frame holds: the check and end bytes are not data.
  copyReplyToImage(Reply(buildReply(cmd::kRead, {0, 0, 0x02, 0x00, 0, 0x10, 0x01}), false), image);
  EXPECT_EQ(std::tuple(image.at(0x0200), image.at(0x0201)), std::tuple(0x01, 0xFF));

  image.fill(0xFF);
  t.answer[cmd::kPageSums] = t.replies(cmd::kPageSums, {0xFF, 0x00});
  EXPECT_EQ(pageSumCheck(ctx, 0x0000, 0x00FF).reason, Reason::None);      // a full erased page
  EXPECT_EQ(pageSumCheck(ctx, 0x0000, 0x01FF).reason, Reason::NoAnswer);  // one sum for two pages
  EXPECT_EQ(t.pane.text(), "");
}

}  // namespace
}  // namespace qrk
