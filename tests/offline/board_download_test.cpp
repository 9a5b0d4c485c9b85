#include "offline/board_download.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "link/frame.h"
#include "offline/board_messages.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"
#include "platform/settings_store.h"
#include "sim/board_device.h"
#include "support/fake_command_runner.h"
#include "support/recording_host.h"
#include "support/scripted_port.h"
#include "support/sim_replies.h"

namespace qrk {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes randomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// A programmer on the simulated board with a model, an ISP Space and an image.
struct BoardBench {
  explicit BoardBench(sim::DeviceOptions options = {}, int capacityKb = 64,
                      const std::string& model = "QRK5-64B", const std::string& isp = "0.0k")
      : sim(std::move(options), capacityKb) {
    programmer.loadSettings();
    programmer.selectModel(model);
    setIspSpace(programmer.options(), isp);
    programmer.setPortName("board");
    programmer.loadChoices().fillByte = 0xFF;
  }
  void load(std::int32_t first, const Bytes& bytes) {
    ImageBuffer& image = programmer.image();
    image.fill(0xFF);
    image.store(first, bytes);
    image.fileLoaded = true;
    image.rangeLow = first;
    image.rangeHigh = first + static_cast<std::int32_t>(bytes.size()) - 1;
  }
  BoardDownloadResult run(const std::string& limit = "1000") { return download.run(limit); }
  const std::string& pane() const { return programmer.pane().text(); }
  bool paneHas(const std::string& text) const { return pane().find(text) != std::string::npos; }
  // The board holds exactly the two areas of the BoardImage.
  bool boardHoldsTheImage() const {
    const auto held = sim.device.memory();
    const auto sent = download.image().bytes();
    return std::equal(sent.begin() + 0x2000, sent.begin() + 0xF400, held.begin() + 0x2000);
  }
  // "4000 4080 4000*": the first `count` data frames, a resent group's first marked.
  std::string frames(std::size_t count) const {
    std::string out;
    for (const auto& f : sim.device.dataFrames()) {
      if (count-- == 0) break;
      char item[16];
      std::snprintf(item, sizeof item, " %04X%s", f.address, f.resendMark ? "*" : "");
      out += item;
    }
    return out;
  }

  sim::SimulatedBoard sim;
  MemorySettingsStore settings;
  test::RecordingHost host;
  Programmer programmer{sim.port, sim.loop, settings, host};
  ProductionLoop buttons{programmer};
  BoardDownload download{programmer, buttons};
};

TEST(BoardDownload, AWholeImageReachesTheBoardByteExactWithTheSpecifiedConversation) {
  BoardBench b;
  b.load(0, randomBytes(0xCC00, 1));
  const BoardDownloadResult r = b.run("1000000");
  ASSERT_TRUE(r.ok) << b.pane();
  EXPECT_TRUE(b.boardHoldsTheImage());
  EXPECT_TRUE(b.sim.device.selfCheck().good());
  EXPECT_EQ(b.sim.device.selfCheck().blocksChecked, 0xCC00 / 128);
  EXPECT_EQ(std::tuple(b.download.boardCapacity(), b.download.boardVersion()),
            std::tuple(64 * 1024, "32"));

  EXPECT_EQ(b.pane(),
            "We are connecting ... \r\n正在连接...\r\nPlease turn power on.\r\n请给脱机下载板上电。"
            "\r\nVersion: 3.2\r\n烧录器版本号: 3.2\r\n\r\nConnect OK. / 连接成功。\r\n"
            "we are  processing data, please wait...\r\n正在处理数据，请稍候...\r\n"
            "We are erasing all ...\r\n正在擦除全片内容...\r\nWe are download ...\r\n正在下载 ..."
            "\r\nDownload OK. / 下载成功。");
  // 90 groups of the upper area, then 16 of the lower, no resend marks.
  const auto& frames = b.sim.device.dataFrames();
  ASSERT_EQ(frames.size(), 424U);
  EXPECT_EQ(std::tuple(frames[0].address, frames[359].address, frames[360].address),
            std::tuple(0x4000, 0xF380, 0x2000));
  EXPECT_TRUE(std::none_of(frames.begin(), frames.end(), [](auto& f) { return f.resendMark; }));
  const auto count = [&b](std::uint8_t command) { return b.sim.device.commandCount(command); };
  EXPECT_EQ(std::tuple(count(cmd::kBoardErase), count(cmd::kBoardFinish), count(cmd::kHandshake)),
            std::tuple(1, 1, 4 + 6));  // handshakes: the connection, then the re-synchronisation
  EXPECT_EQ(b.host.kbyte.back(), "8.000K");
  EXPECT_NE(std::find(b.host.kbyte.begin(), b.host.kbyte.end(), "45.000K"), b.host.kbyte.end());
  // The closing stop command goes out in sum frames, which the board ignores.
  EXPECT_EQ(b.sim.port.written().back(), buildShortCommand(cmd::kStop, 2, 0, false));
  EXPECT_FALSE(b.programmer.link().useCrc() || b.programmer.controls().locked);
}

// A board powered on late is waited for; a query answered only on its third
// try is taken.
TEST(BoardDownload, PassingFaultsCostGroupRetriesNeverAByte) {
  sim::DeviceOptions faults = sim::DeviceOptions().withPowerOnAfter(150);
  for (const char* f : {"split:all", "bad-check:7", "drop:3@data", "bad-ack:400", "drop:2@0E"})
    faults.withFault(f);
  BoardBench b(faults);
  b.load(0, randomBytes(0xCC00, 2));
  ASSERT_TRUE(b.run().ok) << b.pane();
  EXPECT_TRUE(b.boardHoldsTheImage());
  EXPECT_TRUE(b.sim.device.selfCheck().good());
  // The third frame of the first group went unacknowledged: the group is
  // sent again whole, its first frame marked.
  EXPECT_EQ(b.frames(8), " 4000 4080 4100 4000* 4080 4100 4180 4200");
}

// Six attempts for a group, three for the last group of an area; a board
// that goes silent at the erase, the closing of the upper area or the
// re-synchronisation after it ends with the stop handling, one silent at a
// query never connects. The next chip is greeted in sum frames again.
TEST(BoardDownload, AFaultThatPersistsFailsTheDownloadAndTheNextChipGetsSumFrames) {
  const char* const kFailed = "\r\nDownload is failure!\r\n下载失败。";
  const char* const kEraseFailed =
      "\r\nErase application is failed.\r\n下载失败。\r\nStop by user!";
  const char* const kNoConnection = "\r\nCommunication is failure!\r\n连接失败。";
  const std::tuple<const char*, const char*, std::size_t> cases[] = {
      {"bad-ack:1+", kFailed, 6},  // every attempt fails at its first frame
      {"drop:357+@data", kFailed, 356 + 3},
      {"drop:365+@data", kFailed, 360 + 4 + 6},
      {"drop:1+@84", "\r\nErase application is failed.\r\n擦除失败\r\nStop by user!", 0},
      {"drop:1+@86", kEraseFailed, 360},
      {"drop:7+@80", kEraseFailed, 360},
      {"drop:1+@0E", kNoConnection, 0},
      {"drop:1+@0C", kNoConnection, 0},
      {"drop:1+@80", kNoConnection, 0},
  };
  for (const auto& [fault, ending, framesSent] : cases) {
    SCOPED_TRACE(fault);
    BoardBench b(sim::DeviceOptions().withFault(fault));
    b.load(0, randomBytes(0x8000, 3));
    const BoardDownloadResult r = b.run();
    EXPECT_FALSE(r.ok || r.stopped);
    EXPECT_EQ(r.connected, ending != kNoConnection);
    EXPECT_EQ(b.sim.device.dataFrames().size(), framesSent);
    EXPECT_TRUE(b.pane().ends_with(ending)) << b.pane();
    EXPECT_FALSE(b.paneHas("Download OK."));
    EXPECT_EQ(b.host.beeps, ending == kFailed ? 3 : 0);  // the stop handling does not alert
    EXPECT_FALSE(b.programmer.link().useCrc());

    const std::size_t before = b.sim.port.written().size();
    b.programmer.runFunction(FunctionId::VerifyId, "board");
    ASSERT_GT(b.sim.port.written().size(), before);
    EXPECT_EQ(b.sim.port.written()[before], buildShortCommand(cmd::kHandshake, 2, 0xF0, false));
  }
}

TEST(BoardDownload, StopEndsTheTransferAfterTheFrameInProgress) {
  BoardBench b(sim::DeviceOptions().withBaudEmulation());
  b.load(0, randomBytes(0xCC00, 4));
  b.sim.loop.scheduleInMs(2'000, [&] { b.buttons.stopClicked(); });
  const BoardDownloadResult r = b.run();
  EXPECT_TRUE(r.stopped && !r.ok);
  EXPECT_GT(b.sim.device.dataFrames().size(), 0U);
  EXPECT_LT(b.sim.device.dataFrames().size(), 360U);
  // The pane's lines are checked end to end. The stop command went out in the
  // board's frames while it was being served.
  EXPECT_EQ(std::tuple(b.sim.device.commandCount(cmd::kStop),
                       b.sim.device.commandCount(cmd::kBoardFinish)),
            std::tuple(1, 0));
  EXPECT_FALSE(b.programmer.link().useCrc() || b.programmer.link().isOpen() ||
               b.programmer.controls().locked);
}

// A capacity or version reply too short to carry its byte is no answer: the
// query is asked again rather than a byte read from beyond the frame.
TEST(BoardDownload, AQueryReplyTooShortForItsByteIsAskedAgain) {
  VirtualEventLoop loop;
  test::ScriptedPort port(loop);
  MemorySettingsStore settings;
  test::RecordingHost host;
  Programmer programmer(port, loop, settings, host);
  ProductionLoop buttons(programmer);
  BoardDownload download(programmer, buttons);
  programmer.selectModel("QRK5-16B");
  programmer.setPortName("board");
  programmer.image().fileLoaded = true;
  std::map<std::uint8_t, int> asked;
  port.onWrite = [&](const Bytes& f) {
    if (f.size() < 6 || f[0] != frame::kPreamble0) return;
    const std::uint8_t command = f[5];
    const int n = ++asked[command];
    Bytes data;
    if (command == cmd::kBoardCapacity) data = n == 1 ? Bytes{0x00} : Bytes{0x00, 0x34};
    if (command == cmd::kVersion) data = n == 1 ? Bytes{} : Bytes{0x41};
    if (command == cmd::kBoardErase) return;  // ends the download there
    port.deliverInUs(300, buildReply(command, data, true));
  };
  download.run("5");
  EXPECT_EQ(std::tuple(asked[cmd::kBoardCapacity], download.boardCapacity(),
                       download.boardVersion(), programmer.link().useCrc()),
            std::tuple(2, 52 * 1024, "41", false));
}

// (Both answered yes, and the texts, are checked end to end.)
TEST(BoardDownload, WarningsAskBeforeAnythingIsErasedAndNoCancelsCleanly) {
  // 52 KB board, data up to 0xD000: first the dropped data, then the capacity.
  for (const auto& answers :
       {std::vector{MessageAnswer::No}, std::vector{MessageAnswer::Yes, MessageAnswer::No}}) {
    BoardBench b(sim::DeviceOptions(), 52);
    b.load(0, randomBytes(0xD001, 6));
    b.host.answers = answers;
    EXPECT_TRUE(b.run().cancelled);
    ASSERT_EQ(b.host.boxes.size(), answers.size());
    EXPECT_TRUE(b.host.boxes[0].starts_with("Data from 0CC00H to 0D000H"));
    EXPECT_EQ(b.host.boxes.back(),
              answers.size() == 1 ? b.host.boxes[0] : boardCapacityWarning(52 * 1024));
    EXPECT_EQ(b.sim.device.commandCount(cmd::kBoardErase), 0);
    EXPECT_EQ(b.sim.port.openCount(), answers.size() - 1);  // the capacity is the board's
    EXPECT_TRUE(b.paneHas(std::string(kBoardCancelledText)));
  }
}

// A fixture that powers the board: off, on right before the handshake, off
// when the download ends however it ends.
TEST(BoardDownload, AFixtureSupplyIsSwitchedAroundTheDownloadAndLeftOff) {
  {
    BoardBench b;
    b.load(0, randomBytes(0x800, 3));
    b.sim.port.wireSupply(OutputLine::Dtr);
    b.programmer.supply().setSwitch(*supplySwitchNamed("dtr"));
    ASSERT_TRUE(b.run().ok) << b.pane();
    EXPECT_EQ(b.sim.port.outputChanges(OutputLine::Dtr), 4);  // raised at the open, off, on, off
    EXPECT_FALSE(b.sim.port.outputLine(OutputLine::Dtr));
  }
  {
    BoardBench b;
    b.load(0, randomBytes(0x800, 3));
    test::FakeCommandRunner runner(b.sim.loop);
    runner.behaviours["relay on"].exitCode = 4;
    b.programmer.supply().setCommandRunner(&runner);
    SupplySwitch relay = *supplySwitchNamed("cmd");
    relay.onCommand = "relay on";
    relay.offCommand = "relay off";
    b.programmer.supply().setSwitch(relay);
    const BoardDownloadResult r = b.run();
    EXPECT_FALSE(r.ok || r.refused);
    EXPECT_TRUE(b.paneHas("Supply switch failed: 'relay on' exited with status 4")) << b.pane();
    EXPECT_EQ(b.sim.device.commandCount(cmd::kHandshake), 0);
    EXPECT_EQ(runner.commands(), (std::vector<std::string>{"relay off", "relay on", "relay off"}));
  }
}

// The header follows the ISP Space chosen at the moment of the download, so
// its ISP fields and option byte A cannot disagree.
TEST(BoardDownload, TheHeaderDescribesTheIspSpaceChosenJustBefore) {
  BoardBench b(sim::DeviceOptions(), 64, "QRK5-16B", "0.0k");
  b.load(0, randomBytes(0x4000, 8));
  setIspSpace(b.programmer.options(), "4.0k");
  ASSERT_TRUE(b.run().ok);
  const auto m = b.sim.device.memory();
  EXPECT_EQ(m[0xEC00 + 118] << 8 | m[0xEC00 + 119], 0x1000);
  EXPECT_EQ(m[0xEC00 + 48] & 0x30, 0x00);
  EXPECT_EQ(m[0xEC00 + 82] << 16 | m[0xEC00 + 83] << 8 | m[0xEC00 + 84], 0xEC00);
  EXPECT_TRUE(b.sim.device.selfCheck().good());
}

}  // namespace
}  // namespace qrk
