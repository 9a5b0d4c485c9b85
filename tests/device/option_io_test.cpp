#include "device/option_io.h"

#include <gtest/gtest.h>

#include <string>

#include "support/link_fixture.h"

namespace qrk {
namespace {

using test::LinkFixture;
using Bytes = std::vector<std::uint8_t>;

class OptionIoTest : public ::testing::Test {
 protected:
  OptionIoTest() {
    f.link.setMapKind(2);
    buildOptionPanel(panel, 2);
  }

  LinkFixture f;
  OptionPanel panel;
  std::optional<OptionBytes> bytes;

  int read(bool showMessages, int kind = 2) {
    return readOption(f.link, f.pane, panel, kind, showMessages, &bytes);
  }
  int write(bool showMessages, int kind = 2) {
    return writeOption(f.link, f.pane, panel, kind, showMessages);
  }
  // Replies to the next requests of `command` in turn; later ones get none.
  void answerInTurn(std::uint8_t command, std::vector<std::optional<Bytes>> replies) {
    f.answer[command] = [this, replies, n = std::size_t{0}](const Bytes&) mutable {
      if (n < replies.size() && replies[n]) f.port.deliverInUs(500, *replies[n]);
      ++n;
    };
  }
};

TEST_F(OptionIoTest, WriteSendsTheComposedBytesAndReportsSuccess) {
  f.answer[cmd::kWriteOption] = f.replies(cmd::kWriteOption);
  EXPECT_EQ(write(true), 0);
  ASSERT_EQ(f.port.written.size(), 1u);
  EXPECT_EQ(f.port.written[0], (Bytes{0x6A, 0x00, 0x08, 0x05, 0xF8, 0xEF, 0x5E, 0x16}));
  EXPECT_EQ(f.pane.text(), "We are writing Option ...\r\nWrite Option OK!");
}

TEST_F(OptionIoTest, WriteRetriesSixTimesThenFails) {
  EXPECT_EQ(write(true), -1);
  EXPECT_EQ(f.sent[cmd::kWriteOption], kOptionAttempts);
  EXPECT_EQ(f.loop.nowMs(), kOptionAttempts * IspLink::kDefaultReplyWaitMs);
  EXPECT_EQ(f.pane.text(), "We are writing Option ...\r\nWrite Option is failure!");
}

TEST_F(OptionIoTest, WriteSucceedsOnALaterAttemptAndAcceptsAnyGoodReply) {
  Bytes badCheck = buildReply(0x05, {});
  badCheck[badCheck.size() - 2] ^= 0x01;
  answerInTurn(cmd::kWriteOption, {std::nullopt, badCheck, buildReply(0x00, {0x12})});
  EXPECT_EQ(write(false), 0);
  EXPECT_EQ(f.sent[cmd::kWriteOption], 3);
  EXPECT_EQ(f.pane.text(), "");
}

TEST_F(OptionIoTest, WriteStopsAttemptingWhenStopIsRequested) {
  f.loop.scheduleInMs(1000, [this] { f.link.requestStop(); });
  EXPECT_EQ(write(true), -1);
  EXPECT_EQ(f.sent[cmd::kWriteOption], 2);
  EXPECT_EQ(f.loop.nowMs(), 1000);
}

TEST_F(OptionIoTest, ReadReportsTheBytesInThePaneAndTheLabels) {
  f.answer[cmd::kReadOption] = f.replies(cmd::kReadOption, {0xF8, 0xEF});
  EXPECT_EQ(read(true), 0);
  ASSERT_EQ(f.port.written.size(), 1u);
  EXPECT_EQ(f.port.written[0], (Bytes{0x46, 0xB9, 0x6A, 0x00, 0x08, 0x01, 0x02, 0x00, 0x75, 0x16}));
  EXPECT_EQ(f.pane.text(),
            "We are reading Option ...\r\nRead Option OK!\r\n" + optionReportText(2, 0xF8, 0xEF));
  EXPECT_EQ(bytes, (OptionBytes{0xF8, 0xEF}));
  EXPECT_EQ(panel.readOptionLabels[0], "LOCK: Yes");
  EXPECT_EQ(panel.readOptionLabels[4], "HWBSL: No");
  EXPECT_EQ(panel.readOptionLabels[6], "ISP Space: 0.0 K");
}

TEST_F(OptionIoTest, QuietReadStillSetsTheLabels) {
  f.answer[cmd::kReadOption] = f.replies(cmd::kReadOption, {0xC7, 0x10});
  EXPECT_EQ(read(false), 0);
  EXPECT_EQ(f.pane.text(), "");
  EXPECT_EQ(bytes, (OptionBytes{0xC7, 0x10}));
  EXPECT_EQ(panel.readOptionLabels[5], "Oscillator Control: Full gain");
}

TEST_F(OptionIoTest, ReplyTooShortForBothBytesIsAFailedAttempt) {
  // A good frame with one data byte: what follows it is the check byte.
  answerInTurn(cmd::kReadOption,
               {buildReply(0x01, {0x00}), buildReply(0x01, {}), buildReply(0x01, {0xF8, 0xEF})});
  EXPECT_EQ(read(false), 0);
  EXPECT_EQ(f.sent[cmd::kReadOption], 3);
  EXPECT_EQ(bytes, (OptionBytes{0xF8, 0xEF}));
}

TEST_F(OptionIoTest, ReadFailureLeavesLabelsAndSaysSo) {
  f.answer[cmd::kReadOption] = f.replies(cmd::kReadOption, {0x00});
  const auto labels = panel.readOptionLabels;
  bytes = OptionBytes{1, 2};
  EXPECT_EQ(read(true), -1);
  EXPECT_EQ(f.sent[cmd::kReadOption], kOptionAttempts);
  EXPECT_EQ(bytes, std::nullopt);
  EXPECT_EQ(panel.readOptionLabels, labels);
  EXPECT_EQ(f.pane.text(), "We are reading Option ...\r\nRead Option is failure!");
}

TEST_F(OptionIoTest, StoppedReadReportsNoFailure) {
  f.loop.scheduleInMs(300, [this] { f.link.requestStop(); });
  EXPECT_EQ(read(true), -1);
  EXPECT_EQ(f.sent[cmd::kReadOption], 1);
  EXPECT_EQ(f.pane.text(), "We are reading Option ...");

  // Already stopped: nothing is sent at all.
  EXPECT_EQ(read(false), -1);
  EXPECT_EQ(f.sent[cmd::kReadOption], 1);
}

TEST_F(OptionIoTest, KindZeroReadSucceedsWithoutReportOrLabels) {
  f.link.setMapKind(0);
  buildOptionPanel(panel, 0);
  const auto labels = panel.readOptionLabels;
  f.answer[cmd::kReadOption] = f.replies(cmd::kReadOption, {0x00, 0x00});
  EXPECT_EQ(read(true, 0), 0);
  EXPECT_EQ(f.port.written[0][6], 0x00);  // family byte
  EXPECT_EQ(f.pane.text(), "We are reading Option ...\r\nRead Option OK!\r\n");
  EXPECT_EQ(panel.readOptionLabels, labels);
  EXPECT_EQ(bytes, (OptionBytes{0x00, 0x00}));
}

// The chip answers a write and a read as a device would: what was written is
// what reads back, and the labels show the panel's own choices.
TEST_F(OptionIoTest, WrittenChoicesReadBackIntoTheLabels) {
  OptionBytes stored{0xFF, 0xFF};
  f.answer[cmd::kWriteOption] = [&](const Bytes& request) {
    stored = {request[4], request[5]};
    f.reply(cmd::kWriteOption);
  };
  f.answer[cmd::kReadOption] = [&](const Bytes&) {
    f.reply(cmd::kReadOption, {stored.byte1, stored.byte2});
  };
  ASSERT_TRUE(setOption(panel, 2, "LOCK", "NO"));
  ASSERT_TRUE(setOption(panel, 2, "OSC", "full"));
  ASSERT_TRUE(setIspSpace(panel, "2.0k"));
  ASSERT_EQ(write(false), 0);
  ASSERT_EQ(read(false), 0);
  EXPECT_EQ(panel.readOptionLabels[0], "LOCK: No");
  EXPECT_EQ(panel.readOptionLabels[1], "SB: Yes");
  EXPECT_EQ(panel.readOptionLabels[5], "Oscillator Control: Full gain");
  EXPECT_EQ(panel.readOptionLabels[6], "ISP Space: 2.0 K");
}

}  // namespace
}  // namespace qrk
