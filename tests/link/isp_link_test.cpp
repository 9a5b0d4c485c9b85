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

// What the line delivers after a request, chunk by chunk at ms from the
// send, and how the wait for the reply ends: chunks up to 20 ms apart make one
// reply, garbage before the start byte is dropped, a wrong check byte fails,
// a wrong end byte or an impossible length is dropped and the wait goes on.
TEST_F(IspLinkTest, ChunksGarbageAndDamagedFramesEndTheWaitAsTheyShould) {
  const auto part = [this](std::size_t from, std::size_t to) {
    return Bytes(idReply.begin() + from, idReply.begin() + std::min(to, idReply.size()));
  };
  Bytes badCheck = idReply, badEnd = idReply, noisy{0x00, 0x55, 0xAA};
  badCheck[badCheck.size() - 2] += 1;
  badEnd.back() = 0x00;
  noisy.insert(noisy.end(), idReply.begin(), idReply.end());
  const auto declaring = [](unsigned length) {
    Bytes frame{0x68, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    frame.resize(600, 0x16);
    return frame;
  };
  const struct {
    const char* what;
    std::vector<std::pair<std::int64_t, Bytes>> chunks;
    WaitOutcome outcome;
    std::int64_t endMs;  // after the send; -1: not checked
  } cases[] = {
      {"gaps of 19 ms",
       {{5, part(0, 2)}, {24, part(2, 5)}, {43, part(5, 99)}},
       WaitOutcome::Ready,
       -1},
      {"a gap of 21 ms", {{5, part(0, 4)}, {26, part(4, 99)}}, WaitOutcome::Failed, 25},
      {"garbage first", {{1, noisy}}, WaitOutcome::Ready, -1},
      {"garbage alone", {{1, Bytes{0x00, 0x11, 0x22}}}, WaitOutcome::Failed, 21},
      {"bad check", {{1, badCheck}}, WaitOutcome::Failed, -1},
      {"bad end: the wait starts over", {{1, badEnd}}, WaitOutcome::TimedOut, 701},
      {"length 5", {{1, declaring(5)}}, WaitOutcome::TimedOut, -1},
      {"length 532", {{1, declaring(532)}}, WaitOutcome::TimedOut, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    send();
    const std::int64_t sentAt = f.loop.nowMs();
    for (const auto& [atMs, bytes] : c.chunks) f.port.deliverInMs(atMs, bytes);
    EXPECT_EQ(f.link.waitReply(), c.outcome);
    if (c.outcome == WaitOutcome::Ready) {
      EXPECT_EQ(f.link.takeReply().bytes, idReply);
    }
    if (c.endMs >= 0) {
      EXPECT_LE(f.loop.nowMs(), sentAt + c.endMs);
    }
    if (c.outcome != WaitOutcome::Ready) {
      EXPECT_FALSE(f.link.replyReady());
    }
    f.loop.advanceMs(1000);  // nothing of this case is left on the line
  }
  send();  // the largest frame there is fits
  const Bytes largest = buildReply(0x00, Bytes(531 - 6, 0x5A));
  f.port.deliverInMs(1, largest);
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

// A new command discards what is left of the last reply, and a short frame
// never shows bytes of an earlier one.
TEST_F(IspLinkTest, NoStaleBytesReachTheNextCommand) {
  Bytes burst = idReply;
  const Bytes stale = buildReply(0x0A, {0x55, 0x00});
  burst.insert(burst.end(), stale.begin(), stale.end());
  send();
  f.port.deliverInMs(1, burst);
  ASSERT_EQ(f.link.waitReply(), WaitOutcome::Ready);
  send();
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::TimedOut);
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
  send();
  EXPECT_EQ(f.link.waitReply(), WaitOutcome::TimedOut);
}

}  // namespace
}  // namespace qrk
