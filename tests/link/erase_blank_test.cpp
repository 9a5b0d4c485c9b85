#include <gtest/gtest.h>

#include <tuple>

#include "link/blank_check.h"
#include "link/erase.h"
#include "support/link_fixture.h"

namespace qrk {
namespace {

using test::LinkFixture;
using Bytes = std::vector<std::uint8_t>;

TEST(Erase, AcknowledgedOrFailedAfterSixTries) {
  LinkFixture f;
  f.answer[cmd::kErase] = f.replies(0x08);
  EXPECT_EQ(eraseChip(f.link, f.pane).reason, Reason::None);
  EXPECT_EQ(f.pane.text(), "We are erasing whole ehip...\r\nErase whole chip OK!");

  LinkFixture g;
  EXPECT_EQ(eraseChip(g.link, g.pane).reason, Reason::NoAnswer);
  EXPECT_EQ(g.sent[cmd::kErase], 6);
  EXPECT_EQ(g.pane.text(), "We are erasing whole ehip...\r\n\r\nErase whole chip is failure!");
}

class BlankCheckTest : public ::testing::Test {
 protected:
  LinkFixture f;

  int generation = 0;

  // Acknowledge each 0x09 and send `result` `delayMs` later, unless a newer
  // 0x09 restarted the check meanwhile.
  void answerWith(Bytes result, std::int64_t delayMs) {
    f.answer[cmd::kBlankCheck] = [this, result, delayMs](const Bytes&) {
      f.reply(0x09);
      const int mine = ++generation;
      f.loop.scheduleInMs(delayMs, [this, mine, result] {
        if (mine == generation) f.port.deliverInUs(0, buildReply(0x09, result));
      });
    };
  }
};

TEST_F(BlankCheckTest, BlankOrTheFirstProgrammedAddressIsPrinted) {
  answerWith({0xFF}, 50);
  EXPECT_EQ(blankCheck(f.link, f.pane).reason, Reason::None);
  EXPECT_EQ(f.pane.text(), "Blank checking...");
  f.pane.replace("");
  answerWith({0x00, 0x01, 0x02, 0x03}, 50);
  const Status notBlank = blankCheck(f.link, f.pane);
  EXPECT_EQ(notBlank.reason, Reason::NotBlank);
  EXPECT_EQ(std::tuple(notBlank.address, notBlank.expected, notBlank.actual),
            std::tuple(0x000102, 0xFFu, 0x03u));
  EXPECT_EQ(f.pane.text(), "Blank checking...\r\n\r\n000102H = 03");
}

TEST_F(BlankCheckTest, AResultInTheSameBurstAsTheAcknowledgementIsNotLost) {
  f.answer[cmd::kBlankCheck] = [this](const Bytes&) {
    Bytes burst = buildReply(0x09, {});
    const Bytes result = buildReply(0x09, {0xFF});
    burst.insert(burst.end(), result.begin(), result.end());
    f.port.deliverInUs(300, burst);
  };
  EXPECT_EQ(blankCheck(f.link, f.pane).reason, Reason::None);
  EXPECT_EQ(f.sent[cmd::kBlankCheck], 1);
}

TEST_F(BlankCheckTest, AResultLaterThanSixSecondsIsAskedForAgainThenFails) {
  answerWith({0xFF}, 7000);
  EXPECT_EQ(blankCheck(f.link, f.pane).reason, Reason::NoAnswer);
  EXPECT_EQ(f.sent[cmd::kBlankCheck], 6);
  EXPECT_EQ(f.pane.text(), "Blank checking...\r\nBlank check is failure!");
  EXPECT_EQ(f.link.replyWaitMs(), 700);
}

TEST_F(BlankCheckTest, NeverAcknowledgedItFailsStoppedItEndsQuietly) {
  EXPECT_EQ(blankCheck(f.link, f.pane).reason, Reason::NoAnswer);
  EXPECT_EQ(f.sent[cmd::kBlankCheck], 8);
  EXPECT_EQ(f.pane.text(), "Blank checking...\r\n\r\nBlank_Check is failure!\r\n检查空片失败。");

  f.pane.replace("");
  answerWith({0xFF}, 3000);
  f.loop.scheduleInMs(1000, [&] { f.link.requestStop(); });
  const std::int64_t startedMs = f.loop.nowMs();
  EXPECT_EQ(blankCheck(f.link, f.pane).reason, Reason::Stopped);
  EXPECT_EQ(f.pane.text(), "Blank checking...");
  EXPECT_EQ(f.loop.nowMs(), startedMs + 1000);
}

}  // namespace
}  // namespace qrk
