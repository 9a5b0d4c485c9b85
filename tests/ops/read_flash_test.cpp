#include "ops/read_flash.h"

#include <gtest/gtest.h>

#include "flash_op_fixture.h"
#include "link/frame.h"

namespace qrk {
namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::Fault;
using sim::FaultKind;

TEST(ReadRequest, Bytes) {
  EXPECT_EQ(buildReadRequest(0x0000, 128),
            (Bytes{0x6A, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xF6, 0x16}));
  EXPECT_EQ(buildReadRequest(0xFF80, 128),
            (Bytes{0x6A, 0x00, 0x0C, 0x00, 0x00, 0x00, 0xFF, 0x80, 0x00, 0x80, 0x75, 0x16}));
}

TEST(ReadFlash, TheWholeSpaceComesIntoTheImage) {
  test::SimOps t("QRK3-64F");  // flash up to 0xFFFF
  const Bytes bytes = test::patternBytes(0x10000);
  t.sim.device.loadFlash(0, bytes);
  t.image.fill(0x00);
  t.image.rangeLow = 0x0100;
  t.image.rangeHigh = 0x01FF;
  EXPECT_EQ(readFlash(t.ctx()), 0);
  for (std::int32_t a = 0; a <= 0xFFFF; ++a) ASSERT_EQ(t.image.at(a), bytes[a]) << a;
  EXPECT_EQ(t.image.at(0x10000), 0xFF);
  EXPECT_EQ(t.image.rangeLow, 0);
  EXPECT_EQ(t.image.rangeHigh, 0xFFFF);
  EXPECT_EQ(t.image.fileStart, 0);
  EXPECT_EQ(t.image.fileEnd, 0xFFFF);
  EXPECT_EQ(t.pane.text(), "\r\nRead AP_ISP OK!");
  EXPECT_EQ(t.sim.device.commandCount(cmd::kRead), 512);
  ASSERT_EQ(t.host.kbyte.size(), 512U);
  EXPECT_EQ(t.host.kbyte.front(), ".125K");
  EXPECT_EQ(t.host.kbyte.back(), "64.000K");
  EXPECT_EQ(t.host.progressMax, 0xFFFF);
  EXPECT_EQ(t.host.progressValues.back(), 0xFF80);
  EXPECT_FALSE(t.host.progressVisible);
}

TEST(ReadFlash, ATargetThatStopsAnsweringLeavesNoImageToProgram) {
  test::SimOps t("QRK5-16B");
  t.sim.device.loadFlash(0, Bytes(0x8000, 0x00));
  t.sim.device.addFault(Fault{FaultKind::Drop, 0x4000 / 128 + 1, true, {cmd::kRead}, 0});
  t.image.fileLoaded = true;
  t.image.rangeLow = 0x0100;
  t.image.rangeHigh = 0x01FF;
  EXPECT_EQ(readFlash(t.ctx()), -1);
  EXPECT_EQ(t.pane.text(), "\r\nRead flash is failure!");
  EXPECT_EQ(t.image.at(0x3FFF), 0x00);
  for (std::int32_t a = 0x4000; a <= 0xFFFF; ++a) ASSERT_EQ(t.image.at(a), 0xFF) << a;
  EXPECT_EQ(t.sim.device.commandCount(cmd::kRead), 128 + 6);
  EXPECT_FALSE(t.image.fileLoaded);
  EXPECT_EQ(t.image.rangeLow, 0x0100);
  EXPECT_EQ(t.image.rangeHigh, 0x01FF);
  EXPECT_FALSE(t.host.progressVisible);
}

TEST(ReadFlash, StopEndsTheReadSilentlyAndLeavesNoImageToProgram) {
  test::SimOps t("QRK5-16B");
  t.image.fileLoaded = true;
  t.sim.loop.scheduleInUs(5'000, [&] { t.link.requestStop(); });
  EXPECT_EQ(readFlash(t.ctx()), -1);
  EXPECT_EQ(t.pane.text(), "");
  EXPECT_FALSE(t.image.fileLoaded);
  const std::size_t sent = t.sim.port.written().size();
  EXPECT_LT(sent, 512U);
  EXPECT_EQ(readChunk(t.ctx(), 0, 128, true), -1);
  EXPECT_EQ(t.sim.port.written().size(), sent);
}

TEST(ReadChunk, OnlyAReplyThatAnswersTheRequestIsCopied) {
  test::ScriptedOps t;
  Bytes wrongAddress = {0x00, 0x00, 0x02, 0x00, 0x00, 0x04, 1, 2, 3, 4};
  Bytes good = {0x00, 0x00, 0x01, 0x00, 0x00, 0x04, 5, 6, 7, 8};
  std::vector<Bytes> replies = {buildReply(cmd::kRead, wrongAddress), buildReply(cmd::kRead, good)};
  t.answer[cmd::kRead] = [&](const Bytes&) {
    t.port.deliverInUs(300, replies.front());
    replies.erase(replies.begin());
  };
  EXPECT_EQ(readChunk(t.ctx(), 0x0100, 4, true), -1);
  EXPECT_EQ(t.image.at(0x0200), 0xFF);
  Reply reply;
  EXPECT_EQ(readChunk(t.ctx(), 0x0100, 4, true, &reply), 0);
  EXPECT_EQ(t.image.at(0x0100), 5);
  EXPECT_EQ(t.image.at(0x0103), 8);
  EXPECT_EQ(t.image.at(0x0104), 0xFF);
  EXPECT_EQ(reply.at(10), 5);
}

TEST(CopyReplyToImage, WritesTheEchoedAddressOnwardAndOnlyBytesThatArrived) {
  ImageBuffer image;
  image.fill(0xEE);
  Bytes data = {0x00, 0x00, 0x01, 0x00, 0x00, 0x80};
  data.insert(data.end(), 0x80, 0x3C);
  copyReplyToImage(Reply(buildReply(cmd::kRead, data), false), image);
  EXPECT_EQ(image.at(0x00FF), 0xEE);
  EXPECT_EQ(image.at(0x0100), 0x3C);
  EXPECT_EQ(image.at(0x017F), 0x3C);
  EXPECT_EQ(image.at(0x0180), 0xEE);
  // A count larger than the bytes the frame holds: the check and end bytes are
  // not taken for data.
  copyReplyToImage(Reply(buildReply(cmd::kRead, {0x00, 0x00, 0x02, 0x00, 0x00, 0x10, 0x01}), false),
                   image);
  EXPECT_EQ(image.at(0x0200), 0x01);
  EXPECT_EQ(image.at(0x0201), 0xEE);
}

}  // namespace
}  // namespace qrk
