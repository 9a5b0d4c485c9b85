#include "ops/verify.h"

#include <gtest/gtest.h>

#include "flash_op_fixture.h"
#include "link/frame.h"
#include "ops/page_sums.h"
#include "ops/progress.h"

namespace qrk {
namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::Fault;
using sim::FaultKind;

// An image and a chip that hold the same bytes.
void loadBoth(test::SimOps& t, std::int32_t first, const Bytes& bytes) {
  t.load(first, bytes);
  t.sim.device.loadFlash(static_cast<std::uint32_t>(first), bytes);
}

// --- read-back verify ---------------------------------------------------------

TEST(VerifyImage, EqualFlashIsVerifiedChunkByChunk) {
  test::SimOps t("QRK5-16B");
  loadBoth(t, 0x0105, test::patternBytes(0x0200));
  EXPECT_EQ(verifyImage(t.ctx(), true), 0);
  EXPECT_EQ(t.pane.text(), "We are Verifying...\r\nVerify OK!");
  // 0x0105 .. 0x017F, then whole chunks up to 0x0304: five reads, each after an ID request.
  EXPECT_EQ(t.sim.device.commandCount(cmd::kRead), 5);
  EXPECT_EQ(t.sim.device.commandCount(cmd::kReadId), 5);
  EXPECT_EQ(t.host.kbyte.back(), ".754K");  // the last address compared, 0x0304, in K
  EXPECT_FALSE(t.host.progressVisible);
}

TEST(VerifyImage, AMismatchIsReportedWithAddressAndBothBytes) {
  test::SimOps t("QRK5-16B");
  Bytes bytes(0x0100, 0xFF);
  loadBoth(t, 0x0100, bytes);
  t.sim.device.flash()[0x01A3] = 0x00;
  EXPECT_EQ(verifyImage(t.ctx(), true), -1);
  EXPECT_EQ(t.pane.text(),
            "We are Verifying...\r\nAddress: 0001A3\r\nBuffer:  FF\r\nFlash:   00\r\n\r\nVerify "
            "is error!");
  // A mismatch is an answer: the chunk is not asked for again.
  EXPECT_EQ(t.sim.device.commandCount(cmd::kRead), 2);
}

TEST(VerifyImage, TheWholeRangeOfInterestIsComparedNotOnlyTheLastFile) {
  // A serial number stamped above the last file's end still belongs to what
  // was programmed.
  test::SimOps t("QRK5-16B");
  loadBoth(t, 0x0000, test::patternBytes(0x0100));
  t.image.set(0x01F0, 0x12);
  t.image.rangeHigh = 0x01F0;
  EXPECT_EQ(verifyImage(t.ctx(), true), -1);
  EXPECT_NE(t.pane.text().find("Address: 0001F0\r\nBuffer:  12\r\nFlash:   FF"), std::string::npos);
}

TEST(VerifyImage, ASilentTargetIsACommunicationFailure) {
  test::SimOps t("QRK5-16B");
  loadBoth(t, 0x0000, test::patternBytes(0x80));
  t.sim.device.addFault(Fault{FaultKind::Drop, 1, true, {cmd::kRead}, 0});
  EXPECT_EQ(verifyImage(t.ctx(), true), -1);
  EXPECT_EQ(t.pane.text(), "We are Verifying...\r\nCommunication is failure! / 通讯失败");
  // Six verify attempts of six reads each.
  EXPECT_EQ(t.sim.device.commandCount(cmd::kRead), 36);
}

TEST(VerifyImage, StopGivesNoVerdictAndSendsNothingMore) {
  test::SimOps t("QRK5-16B");
  loadBoth(t, 0x0000, test::patternBytes(0x2000));
  t.sim.loop.scheduleInUs(3'000, [&] { t.link.requestStop(); });
  EXPECT_EQ(verifyImage(t.ctx(), true), -1);
  EXPECT_EQ(t.pane.text(), "We are Verifying...");
  const std::size_t sent = t.sim.port.written().size();
  EXPECT_EQ(verifyImage(t.ctx(), true), -1);
  EXPECT_EQ(verifyByChecksum(t.ctx(), true), -1);
  EXPECT_EQ(t.sim.port.written().size(), sent);
  EXPECT_EQ(t.pane.text().find("OK"), std::string::npos);
}

TEST(VerifyImage, RangesTheLinkCannotReadAreRefusedBeforeSending) {
  test::SimOps t("QRK5-64E");
  t.load(0xFF80, test::patternBytes(0x100));
  EXPECT_EQ(verifyImage(t.ctx(), true), -1);
  t.image.rangeLow = 0x0300;
  t.image.rangeHigh = 0x0200;
  EXPECT_EQ(verifyImage(t.ctx(), true), -1);
  EXPECT_TRUE(t.sim.port.written().empty());
  EXPECT_EQ(t.pane.text().find("Verify OK!"), std::string::npos);
}

// --- read replies that do not answer the request -------------------------------

class VerifyReplies : public ::testing::Test {
 protected:
  void SetUp() override {
    t.image.store(0x0080, Bytes(0x80, 0x5A));
    t.answer[cmd::kReadId] = t.replies(cmd::kReadId, {0x04, 0xF1});
    t.answer[cmd::kRead] = [this](const Bytes&) {
      const Bytes reply = badReplies.empty() ? goodReply() : badReplies.front();
      if (!badReplies.empty()) badReplies.erase(badReplies.begin());
      t.port.deliverInUs(500, reply);
    };
  }
  static Bytes goodReply() {
    Bytes data = {0x00, 0x00, 0x00, 0x80, 0x00, 0x80};
    data.insert(data.end(), 0x80, 0x5A);
    return buildReply(cmd::kRead, data);
  }

  test::ScriptedOps t;
  std::vector<Bytes> badReplies;
};

TEST_F(VerifyReplies, AReplyForAnotherAddressOrCountOrShortOfItsBytesIsRetried) {
  Bytes wrongAddress = {0x00, 0x00, 0x00, 0x00, 0x00, 0x80};
  wrongAddress.insert(wrongAddress.end(), 0x80, 0x5A);
  Bytes wrongCount = {0x00, 0x00, 0x00, 0x80, 0x00, 0x40};
  wrongCount.insert(wrongCount.end(), 0x40, 0x5A);
  Bytes shortOfBytes = {0x00, 0x00, 0x00, 0x80, 0x00, 0x80};
  shortOfBytes.insert(shortOfBytes.end(), 0x7F, 0x5A);
  badReplies = {buildReply(cmd::kRead, wrongAddress), buildReply(cmd::kRead, wrongCount),
                buildReply(cmd::kRead, shortOfBytes), buildReply(cmd::kRead, {0x00, 0x00})};
  EXPECT_EQ(verifyChunk(t.ctx(), 0x0080, 0x80), 0);
  EXPECT_EQ(t.sent[cmd::kRead], 5);
}

TEST_F(VerifyReplies, SixRepliesThatNeverAnswerAreNoReply) {
  Bytes wrongAddress = {0x00, 0x00, 0x00, 0x00, 0x00, 0x80};
  wrongAddress.insert(wrongAddress.end(), 0x80, 0x5A);
  badReplies.assign(6, buildReply(cmd::kRead, wrongAddress));
  EXPECT_EQ(verifyChunk(t.ctx(), 0x0080, 0x80), -1);
  EXPECT_EQ(t.pane.text(), "");
}

// --- page sums ------------------------------------------------------------------------

TEST(PageSums, PartialFirstAndLastPagesAreSummedOverTheirPartOnly) {
  ImageBuffer image;
  image.fill(0x01);
  image.set(0x0200, 0x10);
  EXPECT_EQ(imagePageSums(image, 0x01F0, 0x030F),
            (std::vector<std::uint16_t>{0x0010, 0x010F, 0x0010}));
  image.fill(0xFF);
  EXPECT_EQ(imagePageSums(image, 0x0000, 0x00FF), std::vector<std::uint16_t>{0xFF00});
  EXPECT_TRUE(imagePageSums(image, 0x0200, 0x01FF).empty());
}

TEST(PageSums, RequestBytes) {
  EXPECT_EQ(buildPageSumRequest(0x0105, 0xFBFF), (Bytes{0x6A, 0x00, 0x0E, 0x0D, 0x00, 0x00, 0x01,
                                                        0x05, 0x00, 0x00, 0xFB, 0xFF, 0x85, 0x16}));
}

TEST(PageSums, AFullPageOfErasedBytesPassesWithFF00) {
  test::ScriptedOps t;
  t.answer[cmd::kPageSums] = t.replies(cmd::kPageSums, {0xFF, 0x00});
  EXPECT_EQ(pageSumCheck(t.ctx(), 0x0000, 0x00FF), 0);
}

TEST(PageSums, AReplyShortOfAPageIsNoAnswer) {
  test::ScriptedOps t;
  t.answer[cmd::kPageSums] = t.replies(cmd::kPageSums, {0xFF, 0x00});
  EXPECT_EQ(pageSumCheck(t.ctx(), 0x0000, 0x01FF), -1);
  EXPECT_EQ(t.pane.text(), "");
}

TEST(VerifyByChecksum, ComparesWhatWasProgrammedAndTheTopKilobyteOnlyForTheDemo) {
  test::SimOps t("QRK5-16B");
  loadBoth(t, 0x01F0, test::patternBytes(0x0120));
  // Image fill 00 at the top: an erased chip must not fail on bytes never sent.
  for (std::int32_t a = 0xF800; a <= 0xFBFF; ++a) t.image.set(a, 0x00);
  EXPECT_EQ(verifyByChecksum(t.ctx(), true), 0);
  EXPECT_EQ(t.pane.text(), "We are Verifying...\r\nVerify OK!");
  EXPECT_EQ(t.sim.device.commandCount(cmd::kPageSums), 1);

  for (std::int32_t a = 0xF800; a <= 0xFBFF; ++a) t.image.set(a, 0xFF);
  t.flags.demoWriteMode = true;
  EXPECT_EQ(verifyByChecksum(t.ctx(), true), 0);
  EXPECT_EQ(t.sim.device.commandCount(cmd::kPageSums), 3);
  const Bytes& top = t.sim.port.written().back();
  EXPECT_EQ(Bytes(top.begin() + 4, top.begin() + 12),
            (Bytes{0x00, 0x00, 0xF8, 0x00, 0x00, 0x00, 0xFB, 0xFF}));
}

TEST(VerifyByChecksum, ADifferenceIsAVerifyFailureNotACommunicationFailure) {
  test::SimOps t("QRK5-16B");
  loadBoth(t, 0x0100, test::patternBytes(0x0200));
  t.sim.device.flash()[0x0234] ^= 0x01;
  EXPECT_EQ(verifyByChecksum(t.ctx(), true), -1);
  EXPECT_EQ(t.sim.device.commandCount(cmd::kPageSums), 1);
  EXPECT_NE(t.pane.text().find("\r\nAddress: 000200 - 0002FF\r\nBuffer:  sum "), std::string::npos);
  EXPECT_NE(t.pane.text().find("\r\n\r\nVerify is error!"), std::string::npos);
  EXPECT_EQ(t.pane.text().find("Communication"), std::string::npos);
}

TEST(VerifyByChecksum, NoAnswerAfterSixAttemptsIsACommunicationFailure) {
  test::SimOps t("QRK5-16B");
  loadBoth(t, 0x0000, test::patternBytes(0x10));
  t.sim.device.addFault(Fault{FaultKind::Drop, 1, true, {cmd::kPageSums}, 0});
  EXPECT_EQ(verifyByChecksum(t.ctx(), true), -1);
  EXPECT_EQ(t.pane.text(), "We are Verifying...\r\nCommunication is failure! / 通讯失败");
  EXPECT_EQ(t.sim.device.commandCount(cmd::kPageSums), 6);
}

TEST(VerifyByChecksum, WritingTheDemoWithoutAFileChecksTheTopKilobyte) {
  test::SimOps t("QRK5-16B");
  t.flags.demoWriteMode = true;
  t.image.fill(0xFF);
  for (std::int32_t a = 0xF800; a <= 0xFBFF; ++a) t.image.set(a, 0xA5);
  EXPECT_EQ(verifyByChecksum(t.ctx(), true), -1);  // the chip's kilobyte is still erased
  EXPECT_EQ(t.sim.device.commandCount(cmd::kPageSums), 1);
  const Bytes& request = t.sim.port.written().back();
  EXPECT_EQ(Bytes(request.begin() + 4, request.begin() + 8), (Bytes{0x00, 0x00, 0xF8, 0x00}));
  EXPECT_NE(t.pane.text().find("Verify is error!"), std::string::npos);
}

}  // namespace
}  // namespace qrk
