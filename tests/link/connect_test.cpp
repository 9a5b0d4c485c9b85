#include <gtest/gtest.h>

#include "link/handshake.h"
#include "link/identify.h"
#include "support/link_fixture.h"

namespace qrk {
namespace {

using test::LinkFixture;
using Bytes = std::vector<std::uint8_t>;

// A pass of 201 handshakes 20 ms apart waits for the chip's power-on; three
// more must each be answered; then the version, which only its own reply code
// carries.
TEST(Connect, APassWaitsForTheChipThenEveryHandshakeAndTheVersionAreRead) {
  struct Case {
    const char* what;
    int answeredFrom, answeredCount;  // handshakes, counted from 1
    std::uint8_t versionCode, versionByte;
    Reason result;
    int handshakes, versionAsks;
    const char *version, *pane;
  };
  const Case cases[] = {
      {"powered on late", 150, 1 << 30, 0x0C, 0x32, Reason::None, 153, 1, "32",
       "Version: 3.2\r\n烧录器版本号: 3.2\r\n"},
      {"version digits", 1, 1 << 30, 0x0C, 0x05, Reason::None, 4, 1, "05",
       "Version: 0.5\r\n烧录器版本号: 0.5\r\n"},
      {"no version", 1, 1 << 30, 0x0D, 0x32, Reason::None, 4, 4, "0", ""},
      {"one answer only", 1, 1, 0x0C, 0x32, Reason::NoAnswer, 1 + 201, 0, "?", ""},
      {"silent", 1 << 30, 0, 0x0C, 0x32, Reason::NoAnswer, 201, 0, "?", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LinkFixture f;
    f.answer[cmd::kHandshake] = [&f, &c](const Bytes&) {
      const int n = f.sent[cmd::kHandshake];
      if (n >= c.answeredFrom && n - c.answeredFrom < c.answeredCount) f.reply(0x80);
    };
    f.answer[cmd::kVersion] = f.replies(c.versionCode, {c.versionByte});
    std::string version = "?";
    EXPECT_EQ(connectTarget(f.link, f.pane, 20, 0xF0, version).reason, c.result);
    EXPECT_EQ(f.sent[cmd::kHandshake], c.handshakes);
    EXPECT_EQ(f.sent[cmd::kVersion], c.versionAsks);
    EXPECT_EQ(version, c.version);
    EXPECT_EQ(f.pane.text(), c.pane);
    if (c.answeredCount == 0) {
      EXPECT_EQ(f.loop.nowMs(), 201 * 20);
    }
  }
}

TEST(Connect, StopDuringTheHandshakeOrTheVersionReadFailsTheConnection) {
  LinkFixture f;
  std::string version;
  f.loop.scheduleInMs(1000, [&] { f.link.requestStop(); });
  EXPECT_EQ(connectTarget(f.link, f.pane, 20, 0xF0, version).reason, Reason::Stopped);
  EXPECT_LE(f.loop.nowMs(), 1000);
  EXPECT_LT(f.sent[cmd::kHandshake], 60);

  LinkFixture g;
  g.answer[cmd::kHandshake] = g.replies(0x80);
  g.answer[cmd::kVersion] = [&](const Bytes&) { g.link.requestStop(); };
  EXPECT_EQ(connectTarget(g.link, g.pane, 20, 0xF0, version).reason, Reason::Stopped);
  EXPECT_EQ(g.pane.text(), "");
}

// The ID read against the model's expected ID, with the pane's report; a
// silent read leaves the pane alone whatever the outcome, and a reply too
// short to carry the ID counts as none.
TEST(Identify, OutcomesAndTheirReports) {
  const char* const kWrongIdPane =
      "MCU: QRK3-xxF/G\r\nAlready encrypt or Invalid MCU type!\r\n已加密或有疑问的 MCU 型号 \r\n";
  const struct {
    Bytes reply;
    const char* expected;
    bool show;
    Reason result;
    const char* pane;
  } cases[] = {
      {{0x01, 0xF0}, "F001", true, Reason::None, "MCU: QRK5/3-04A\r\n"},
      {{0x34, 0x12}, "1234", true, Reason::None, "\r\n"},  // an ID outside the table can match
      {{0x55, 0x00}, "F104", true, Reason::WrongId, kWrongIdPane},
      {{0x00, 0x00}, "", true, Reason::WrongId, nullptr},  // no expected ID never matches
      {{0x01, 0xF0}, "F001", false, Reason::None, ""},
      {{0x01, 0xF0}, "F002", false, Reason::WrongId, ""},
      {{}, "F001", false, Reason::NoAnswer, ""},
      {{0x01}, "F001", true, Reason::NoAnswer, "\r\nRead ID is failure!\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.expected) + (c.show ? " shown" : " silent"));
    LinkFixture f;
    if (!c.reply.empty()) f.answer[cmd::kReadId] = f.replies(0x0A, c.reply);
    const Status status = readTargetId(f.link, f.pane, c.expected, c.show);
    EXPECT_EQ(status.reason, c.result);
    if (c.result == Reason::WrongId) {
      EXPECT_EQ(status.idRead.size(), 4u);
    }
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
