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

// The ID read against the model's expected ID, with the pane's report; a
// silent read leaves the pane alone whatever the outcome, and a reply too
// short to carry the ID counts as none.
TEST(Identify, OutcomesAndTheirReports) {
  const struct {
    Bytes reply;
    const char* expected;
    bool show;
    Reason result;
    const char* pane;
  } cases[] = {
      {{0x01, 0xF0}, "F001", true, Reason::None, "MCU: QRK5/3-04A\r\n"},
      {{0x34, 0x12},
       "1234",
       true,
       Reason::None,
       "\r\n"},  // an ID outside the table can still match
      {{0x55, 0x00},
       "F104",
       true,
       Reason::WrongId,
       "MCU: QRK3-xxF/G\r\nAlready encrypt or Invalid MCU type!\r\n已加密或有疑问的 MCU 型号 \r\n"},
      {{0x00, 0x00},
       "",
       true,
       Reason::WrongId,
       nullptr},  // a model without an expected ID never matches
      {{0x01, 0xF0}, "F001", false, Reason::None, ""},
      {{0x01, 0xF0}, "F002", false, Reason::WrongId, ""},
      {{}, "F001", false, Reason::NoAnswer, ""},
      {{0x01}, "F001", true, Reason::NoAnswer, "\r\nRead ID is failure!\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.expected) + (c.show ? " shown" : " silent"));
    LinkFixture f;
    if (!c.reply.empty()) f.answer[cmd::kReadId] = f.replies(0x0A, c.reply);
    EXPECT_EQ(readTargetId(f.link, f.pane, c.expected, c.show).reason, c.result);
    if (c.pane) {
      EXPECT_EQ(f.pane.text(), c.pane);
    }
    if (c.result == Reason::NoAnswer) {
      EXPECT_EQ(f.sent[cmd::kReadId], 6);
    }
  }
}

}  // namespace
}  // namespace qrk
