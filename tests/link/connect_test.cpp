#include <gtest/gtest.h>

#include "link/handshake.h"
#include "link/identify.h"
#include "support/link_fixture.h"

namespace qrk {
namespace {

using test::LinkFixture;
using Bytes = std::vector<std::uint8_t>;

class ConnectTest : public ::testing::Test {
 protected:
  LinkFixture f;
  std::string version = "?";

  Reason connect() { return connectTarget(f.link, f.pane, 20, 0xF0, version).reason; }
  // The target answers handshakes from attempt `from` (1-based) on, and at
  // most `count` of them.
  void answerHandshakes(int from, int count = 1 << 30) {
    f.answer[cmd::kHandshake] = [this, from, count](const Bytes&) {
      const int n = f.sent[cmd::kHandshake];
      if (n >= from && n < from + count) f.reply(0x80);
    };
  }
};

TEST_F(ConnectTest, ATargetPoweredOnLateConnectsAndShowsItsVersion) {
  answerHandshakes(150);
  f.answer[cmd::kVersion] = f.replies(0x0C, {0x32});
  EXPECT_EQ(connect(), Reason::None);
  EXPECT_EQ(f.sent[cmd::kHandshake], 153);  // 150 for the first pass, one each for three more
  EXPECT_EQ(version, "32");
  EXPECT_EQ(f.pane.text(), "Version: 3.2\r\n烧录器版本号: 3.2\r\n");
}

TEST_F(ConnectTest, EveryPassMustBeAnswered) {
  answerHandshakes(1, 1);
  EXPECT_EQ(connect(), Reason::NoAnswer);
  EXPECT_EQ(f.sent[cmd::kHandshake], 1 + 201);
  EXPECT_EQ(f.sent[cmd::kVersion], 0);
  EXPECT_EQ(f.pane.text(), "");
}

TEST_F(ConnectTest, NoAnswerGivesUpAfterOnePassOfAbout4Seconds) {
  EXPECT_EQ(connect(), Reason::NoAnswer);
  EXPECT_EQ(f.sent[cmd::kHandshake], 201);
  EXPECT_EQ(f.loop.nowMs(), 201 * 20);
}

TEST_F(ConnectTest, VersionDigitsAndAMissingVersion) {
  answerHandshakes(1);
  f.answer[cmd::kVersion] = f.replies(0x0C, {0x05});
  ASSERT_EQ(connect(), Reason::None);
  EXPECT_EQ(f.pane.text(), "Version: 0.5\r\n烧录器版本号: 0.5\r\n");

  LinkFixture g;
  g.answer[cmd::kHandshake] = g.replies(0x80);
  g.answer[cmd::kVersion] = g.replies(0x0D, {0x32});  // wrong reply code: not a version
  std::string v;
  EXPECT_EQ(connectTarget(g.link, g.pane, 20, 0xF0, v).reason, Reason::None);
  EXPECT_EQ(v, "0");
  EXPECT_EQ(g.sent[cmd::kVersion], 4);
  EXPECT_EQ(g.pane.text(), "");
}

TEST_F(ConnectTest, StopDuringTheHandshakeOrTheVersionReadFailsTheConnection) {
  f.loop.scheduleInMs(1000, [&] { f.link.requestStop(); });
  EXPECT_EQ(connect(), Reason::Stopped);
  EXPECT_LE(f.loop.nowMs(), 1000);
  EXPECT_LT(f.sent[cmd::kHandshake], 60);

  LinkFixture g;
  g.answer[cmd::kHandshake] = g.replies(0x80);
  g.answer[cmd::kVersion] = [&](const Bytes&) { g.link.requestStop(); };
  std::string v;
  EXPECT_EQ(connectTarget(g.link, g.pane, 20, 0xF0, v).reason, Reason::Stopped);
  EXPECT_EQ(g.pane.text(), "");
}

class IdentifyTest : public ::testing::Test {
 protected:
  LinkFixture f;
};

TEST_F(IdentifyTest, MatchingIdPrintsTheModelLine) {
  f.answer[cmd::kReadId] = f.replies(0x0A, {0x01, 0xF0});
  EXPECT_EQ(readTargetId(f.link, f.pane, "F001", true).reason, Reason::None);
  EXPECT_EQ(f.pane.text(), "MCU: QRK5/3-04A\r\n");
}

TEST_F(IdentifyTest, AnIdOutsideTheTableCanStillMatch) {
  f.answer[cmd::kReadId] = f.replies(0x0A, {0x34, 0x12});
  EXPECT_EQ(readTargetId(f.link, f.pane, "1234", true).reason, Reason::None);
  EXPECT_EQ(f.pane.text(), "\r\n");
}

TEST_F(IdentifyTest, WrongChipIsReportedWithItsFamily) {
  f.answer[cmd::kReadId] = f.replies(0x0A, {0x55, 0x00});
  EXPECT_EQ(readTargetId(f.link, f.pane, "F104", true).reason, Reason::WrongId);
  EXPECT_EQ(
      f.pane.text(),
      "MCU: QRK3-xxF/G\r\nAlready encrypt or Invalid MCU type!\r\n已加密或有疑问的 MCU 型号 \r\n");
}

TEST_F(IdentifyTest, AModelWithoutAnExpectedIdNeverMatches) {
  f.answer[cmd::kReadId] = f.replies(0x0A, {0x00, 0x00});
  EXPECT_EQ(readTargetId(f.link, f.pane, "", true).reason, Reason::WrongId);
}

TEST_F(IdentifyTest, SilentReadsLeaveThePaneAloneInEveryOutcome) {
  f.answer[cmd::kReadId] = f.replies(0x0A, {0x01, 0xF0});
  EXPECT_EQ(readTargetId(f.link, f.pane, "F001", false).reason, Reason::None);
  EXPECT_EQ(readTargetId(f.link, f.pane, "F002", false).reason, Reason::WrongId);
  f.answer.clear();
  EXPECT_EQ(readTargetId(f.link, f.pane, "F001", false).reason, Reason::NoAnswer);
  EXPECT_EQ(f.pane.text(), "");
}

TEST_F(IdentifyTest, NoIdAfterSixAttempts) {
  // A reply too short to carry the ID counts as no reply.
  f.answer[cmd::kReadId] = f.replies(0x0A, {0x01});
  EXPECT_EQ(readTargetId(f.link, f.pane, "F001", true).reason, Reason::NoAnswer);
  EXPECT_EQ(f.sent[cmd::kReadId], 6);
  EXPECT_EQ(f.pane.text(), "\r\nRead ID is failure!\r\n");
}

}  // namespace
}  // namespace qrk
