#include "device/option_io.h"

#include <gtest/gtest.h>

#include <string>

#include "support/link_fixture.h"

namespace qrk {
namespace {

using Bytes = std::vector<std::uint8_t>;

class OptionIoTest : public ::testing::Test {
 protected:
  OptionIoTest() {
    f.link.setMapKind(MapKind::TopOfModel);
    buildOptionPanel(panel, MapKind::TopOfModel);
  }
  Reason read(bool showMessages) {
    return readOption(f.link, f.pane, panel, MapKind::TopOfModel, showMessages, &bytes).reason;
  }
  Reason write(bool showMessages) {
    return writeOption(f.link, f.pane, panel, MapKind::TopOfModel, showMessages).reason;
  }
  // Replies to the next requests of `command` in turn; later ones get none.
  void answerInTurn(std::uint8_t command, std::vector<std::optional<Bytes>> replies) {
    f.answer[command] = [this, replies, n = std::size_t{0}](const Bytes&) mutable {
      if (n < replies.size() && replies[n]) f.port.deliverInUs(500, *replies[n]);
      ++n;
    };
  }

  test::LinkFixture f;
  OptionPanel panel;
  std::optional<OptionBytes> bytes;
};

// Silence and a bad check byte are retried; any good reply then counts.
TEST_F(OptionIoTest, WriteSendsTheComposedBytesUntilAnyGoodReply) {
  Bytes badCheck = buildReply(0x05, {});
  badCheck[badCheck.size() - 2] ^= 0x01;
  answerInTurn(cmd::kWriteOption, {std::nullopt, badCheck, buildReply(0x00, {0x12})});
  EXPECT_EQ(write(true), Reason::None);
  ASSERT_EQ(f.port.written.size(), 3u);
  EXPECT_EQ(f.port.written[0], (Bytes{0x6A, 0x00, 0x08, 0x05, 0xF8, 0xEF, 0x5E, 0x16}));
  EXPECT_EQ(f.pane.text(), "We are writing Option ...\r\nWrite Option OK!");
}

// A good frame with fewer than two data bytes is no answer: its check byte or
// a stale earlier reply must never be read as option bytes.
TEST_F(OptionIoTest, ReadSkipsRepliesTooShortForBothBytesThenReportsThem) {
  answerInTurn(cmd::kReadOption,
               {buildReply(0x01, {0x00}), buildReply(0x01, {}), buildReply(0x01, {0xF8, 0xEF})});
  EXPECT_EQ(read(true), Reason::None);
  ASSERT_EQ(f.port.written.size(), 3u);
  EXPECT_EQ(f.port.written[0], (Bytes{0x46, 0xB9, 0x6A, 0x00, 0x08, 0x01, 0x02, 0x00, 0x75, 0x16}));
  EXPECT_EQ(f.pane.text(), "We are reading Option ...\r\nRead Option OK!\r\n" +
                               optionReportText(MapKind::TopOfModel, 0xF8, 0xEF));
  EXPECT_EQ(bytes, (OptionBytes{0xF8, 0xEF}));
  EXPECT_EQ(panel.readOptionLabels[0], "LOCK: Yes");
}

// A reply too short to hold the option bytes is no answer either.
TEST_F(OptionIoTest, SixFailedAttemptsSaySoAndLeaveTheLabels) {
  f.answer[cmd::kReadOption] = f.replies(cmd::kReadOption, {0x00});
  const auto labels = panel.readOptionLabels;
  bytes = OptionBytes{1, 2};
  EXPECT_EQ(write(true), Reason::NoAnswer);
  EXPECT_EQ(f.loop.nowMs(), kOptionAttempts * IspLink::kDefaultReplyWaitMs);
  EXPECT_EQ(f.pane.text(), "We are writing Option ...\r\nWrite Option is failure!");
  f.pane.replace("");
  EXPECT_EQ(read(true), Reason::NoAnswer);
  EXPECT_EQ(std::tuple(f.sent[cmd::kWriteOption], f.sent[cmd::kReadOption]),
            std::tuple(kOptionAttempts, kOptionAttempts));
  EXPECT_TRUE(bytes == std::nullopt && panel.readOptionLabels == labels);
  EXPECT_EQ(f.pane.text(), "We are reading Option ...\r\nRead Option is failure!");
}

// A stopped read reports no failure, a stopped write is never "OK", and once
// stopped nothing more is sent.
TEST_F(OptionIoTest, StopEndsTheWaitAndIsNeverReportedAsDone) {
  f.loop.scheduleInMs(300, [this] { f.link.requestStop(); });
  EXPECT_EQ(read(true), Reason::Stopped);
  EXPECT_EQ(f.loop.nowMs(), 300);
  EXPECT_EQ(f.pane.text(), "We are reading Option ...");
  EXPECT_EQ(std::tuple(read(false), write(false)), std::tuple(Reason::Stopped, Reason::Stopped));
  EXPECT_EQ(std::tuple(f.sent[cmd::kReadOption], f.sent[cmd::kWriteOption]), std::tuple(1, 0));
}

}  // namespace
}  // namespace qrk
