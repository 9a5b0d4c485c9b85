#include <gtest/gtest.h>

#include "support/link_fixture.h"

namespace qrk {
namespace {

using test::LinkFixture;
using Bytes = std::vector<std::uint8_t>;

class IspLinkTest : public ::testing::Test {
 protected:
  LinkFixture f;
  Bytes idReply = buildReply(0x0A, {0x01, 0xF0});

  void send() { f.link.sendShortCommand(cmd::kReadId, f.link.replyWaitMs(), 0); }
};

// Chunks up to 20 ms apart make one reply; a longer gap fails it.
TEST_F(IspLinkTest, ChunksJoinWhileTheGapsStayWithinTwentyMs) {
  send();
  f.port.deliverInMs(5, Bytes(idReply.begin(), idReply.begin() + 2));
  f.port.deliverInMs(5 + 19, Bytes(idReply.begin() + 2, idReply.begin() + 5));
  f.port.deliverInMs(5 + 38, Bytes(idReply.begin() + 5, idReply.end()));
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  EXPECT_EQ(f.link.takeReply().bytes, idReply);

  send();
  const std::int64_t sentAt = f.loop.nowMs();
  f.port.deliverInMs(5, Bytes(idReply.begin(), idReply.begin() + 4));
  f.port.deliverInMs(5 + 21, Bytes(idReply.begin() + 4, idReply.end()));
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::Failed);
  EXPECT_LE(f.loop.nowMs(), sentAt + 5 + 21);
}

// Garbage before the start byte is dropped; garbage alone ends the wait after the byte gap.
TEST_F(IspLinkTest, GarbageIsDroppedAndAloneEndsTheWaitAfterTheByteGap) {
  send();
  Bytes noisy{0x00, 0x55, 0xAA};
  noisy.insert(noisy.end(), idReply.begin(), idReply.end());
  f.port.deliverInMs(1, noisy);
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  EXPECT_EQ(f.link.takeReply().bytes, idReply);

  send();
  const std::int64_t sentAt = f.loop.nowMs();
  f.port.deliverInMs(1, Bytes{0x00, 0x11, 0x22});
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::Failed);
  EXPECT_EQ(f.loop.nowMs(), sentAt + 1 + 20);
}

TEST_F(IspLinkTest, WrongCheckByteFailsAndWrongEndByteIsDiscarded) {
  Bytes badCheck = idReply;
  badCheck[badCheck.size() - 2] += 1;
  send();
  f.port.deliverInMs(1, badCheck);
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::Failed);
  EXPECT_FALSE(f.link.replyReady());

  Bytes badEnd = idReply;
  badEnd.back() = 0x00;
  const std::int64_t sentAt = f.loop.nowMs();
  send();
  f.port.deliverInMs(1, badEnd);
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::TimedOut);
  EXPECT_FALSE(f.link.replyFailed());
  // The reply wait started over when the frame was dropped.
  EXPECT_EQ(f.loop.nowMs(), sentAt + 1 + 700);
}

TEST_F(IspLinkTest, ImpossibleDeclaredLengthsAreAbandonedAndTheLargestFrameFits) {
  for (unsigned length : {0x0000U, 0x0005U, 0x0214U /* 532 */, 0xFFFFU}) {
    SCOPED_TRACE(length);
    send();
    Bytes frame{0x68, static_cast<std::uint8_t>(length >> 8),
                static_cast<std::uint8_t>(length & 0xFF)};
    frame.resize(600, 0x16);
    f.port.deliverInMs(1, frame);
    EXPECT_EQ(f.link.waitReply(), WaitOutcome::TimedOut);
  }
  send();
  const Bytes data(531 - 6, 0x5A);
  const Bytes frame = buildReply(0x00, data);
  ASSERT_EQ(frame.size(), 531U);
  f.port.deliverInMs(1, frame);
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  EXPECT_EQ(f.link.takeReply().size(), 531U);
}

TEST_F(IspLinkTest, StopEndsAWaitAtOnce) {
  send();
  f.loop.scheduleInMs(50, [&] { f.link.requestStop(); });
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::Stopped);
  EXPECT_EQ(f.loop.nowMs(), 50);
}

// Bytes after a complete frame, in the same burst or later, start the next reply.
TEST_F(IspLinkTest, BytesAfterACompleteFrameStartTheNextReply) {
  const Bytes ack = buildReply(0x09, {});
  const Bytes result = buildReply(0x09, {0xFF});
  Bytes burst = ack;
  burst.insert(burst.end(), result.begin(), result.end());
  f.link.sendShortCommand(cmd::kBlankCheck, 700, 0);
  f.port.deliverInMs(1, burst);
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  EXPECT_EQ(f.link.takeReply().bytes, ack);

  f.link.expectAnotherFrame(6000);
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  EXPECT_EQ(f.link.takeReply().bytes, result);

  f.link.sendShortCommand(cmd::kBlankCheck, 700, 0);
  f.port.deliverInMs(1, ack);
  f.port.deliverInMs(2, Bytes(result.begin(), result.begin() + 3));
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  f.loop.advanceMs(5);  // the start of the result comes before the operation asks for it
  f.link.expectAnotherFrame(6000);
  f.port.deliverInMs(1, Bytes(result.begin() + 3, result.end()));
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  EXPECT_EQ(f.link.takeReply().bytes, result);
}

TEST_F(IspLinkTest, ANewCommandDiscardsLeftoverBytes) {
  Bytes burst = idReply;
  const Bytes stale = buildReply(0x0A, {0x55, 0x00});
  burst.insert(burst.end(), stale.begin(), stale.end());
  send();
  f.port.deliverInMs(1, burst);
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  send();
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::TimedOut);
}

TEST_F(IspLinkTest, ALineOfBrokenFramesCannotHoldAWaitForever) {
  send();
  // A frame start every 10 ms that never completes: each keeps the byte gap
  // alive, so only the overall ceiling can end the wait.
  std::function<void()> chatter = [&] {
    f.port.deliverInMs(0, Bytes{0x68});
    f.loop.scheduleInMs(10, chatter);
  };
  f.port.deliverInMs(0, Bytes{0x68, 0x02});
  f.loop.scheduleInMs(10, chatter);
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::TimedOut);
  EXPECT_LE(f.loop.nowMs(), 700 * IspLink::kOverallWaitFactor + IspLink::kOverallWaitMarginMs);
}

TEST_F(IspLinkTest, ShortFramesNeverExposeStaleBytes) {
  send();
  f.port.deliverInMs(1, idReply);
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  send();
  f.port.deliverInMs(1, buildReply(0x0A, {}));
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  const Reply r = f.link.takeReply();
  EXPECT_EQ(r.size(), 6U);
  EXPECT_EQ(r.at(3), 0x0A);
  EXPECT_FALSE(r.at(4).has_value());  // the check byte is not data
  EXPECT_FALSE(r.word(4).has_value());
}

TEST_F(IspLinkTest, ASendOnAClosedPortTimesOutQuietly) {
  f.link.closePort();
  EXPECT_FALSE(f.link.isOpen());
  send();
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::TimedOut);
}

}  // namespace
}  // namespace qrk
