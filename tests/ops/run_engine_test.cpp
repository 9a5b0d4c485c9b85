#include <gtest/gtest.h>

#include "ops/programmer.h"
#include "support/recording_host.h"
#include "support/scripted_port.h"

namespace qrk {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A run against a scripted bootloader that answers by command code.
class RunEngineTest : public ::testing::Test {
 protected:
  VirtualEventLoop loop;
  test::ScriptedPort port{loop};
  MemorySettingsStore settings;
  test::RecordingHost host;
  Programmer programmer{port, loop, settings, host};
  std::map<std::uint8_t, Bytes> replyData;  // command -> reply data; absent: no reply
  std::map<std::uint8_t, int> sent;
  Bytes options{0xFF, 0xFF};

  void SetUp() override {
    ASSERT_TRUE(programmer.selectModel("QRK5-16B"));
    replyData[0x80] = {};
    replyData[0x0C] = {0x32};
    replyData[0x0A] = {0x04, 0xF1};
    replyData[0x08] = {};
    port.onWrite = [this](const Bytes& request) {
      const std::size_t at = request[0] == 0x46 ? 5 : 3;
      const std::uint8_t command = request[at];
      ++sent[command];
      if (command == 0x09) {  // acknowledge, then the verdict
        port.deliverInUs(200, buildReply(0x09, {}));
        port.deliverInMs(30, buildReply(0x09, blankResult));
        return;
      }
      if (command == 0x01) {
        port.deliverInUs(200, buildReply(0x01, options));
        return;
      }
      auto it = replyData.find(command);
      if (it != replyData.end()) port.deliverInUs(200, buildReply(command, it->second));
    };
  }

  Bytes blankResult{0xFF};
};

TEST_F(RunEngineTest, VerifyIdConnectsAndNamesTheChip) {
  const RunResult r = programmer.runFunction("Verify_ID", "/dev/ttyQRK");
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(programmer.pane().text(),
            "We are connecting ...\r\nVersion: 3.2\r\n烧录器版本号: 3.2\r\nMCU: QRK5/3-16B\r\n");
  EXPECT_EQ(port.openedName, "/dev/ttyQRK");
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(programmer.bootloaderVersion(), "32");
  // Every short frame carried the model's family byte.
  for (const Bytes& frame : port.written) EXPECT_EQ(frame[6], 2);
}

TEST_F(RunEngineTest, APortThatCannotBeOpenedIsReportedWithBeeps) {
  port.failOpen = true;
  const RunResult r = programmer.runFunction("Verify_ID", "/dev/none");
  EXPECT_FALSE(r.portOpened);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(
      programmer.pane().text(),
      "We are connecting ...\r\n\r\nOpen COM port is failure!\r\nThe COM port opened by "
      "another Program or no the COM port.\r\n\r\n打开串口失败!\r\n串口已被其它程序打开或不存在。");
  EXPECT_EQ(host.beeps, 3);
}

TEST_F(RunEngineTest, ASilentTargetIsACommunicationFailure) {
  replyData.erase(0x80);
  const RunResult r = programmer.runFunction("Erase_All", "/dev/ttyQRK");
  EXPECT_TRUE(r.portOpened);
  EXPECT_FALSE(r.connected);
  EXPECT_EQ(sent[0x08], 0);
  EXPECT_EQ(programmer.pane().text(),
            "We are connecting ...\r\n\r\nCommunication is failure!\r\n\r\nConnect the electric "
            "cable and Power On.\r\n\r\n请接好电缆, 打开电源。");
  EXPECT_EQ(host.beeps, 3);
  EXPECT_FALSE(port.isOpen());
}

TEST_F(RunEngineTest, BlankCheckVerdicts) {
  EXPECT_TRUE(programmer.runFunction("Blank_Check", "p").ok());
  EXPECT_TRUE(programmer.pane().contains("Blank checking...\r\nWhole chip is blank!"));

  blankResult = {0x00, 0x12, 0xA0, 0x5A};
  EXPECT_FALSE(programmer.runFunction("Blank_Check", "p").ok());
  EXPECT_TRUE(programmer.pane().contains("\r\n\r\n0012A0H = 5A\r\nChip is not blank!"));
}

TEST_F(RunEngineTest, OptionBytesOutOfTheErasedStateMakeTheChipNotBlank) {
  options = {0xF8, 0xEF};
  EXPECT_FALSE(programmer.runFunction("Blank_Check", "p").ok());
  const std::string& text = programmer.pane().text();
  EXPECT_NE(text.find("\r\nISP space = 0.0 K"), std::string::npos);
  EXPECT_NE(text.find("LOCK   is Yes"), std::string::npos);
  EXPECT_NE(text.find("\r\nChip is not blank!"), std::string::npos);
}

TEST_F(RunEngineTest, NoVerdictIsAFailureNotANotBlankChip) {
  blankResult = {};
  replyData.erase(0x09);
  EXPECT_FALSE(programmer.runFunction("Blank_Check", "p").ok());
  EXPECT_EQ(programmer.pane().text().find("Chip is not blank!"), std::string::npos);
  EXPECT_NE(programmer.pane().text().find("Blank check is failure!"), std::string::npos);
}

TEST_F(RunEngineTest, AFailedOptionReadFailsTheBlankCheck) {
  port.onWrite = [this, inner = port.onWrite](const Bytes& request) {
    if (request.size() > 5 && request[5] == 0x01) return;  // option read unanswered
    inner(request);
  };
  EXPECT_FALSE(programmer.runFunction("Blank_Check", "p").ok());
  EXPECT_EQ(programmer.pane().text().find("Whole chip is blank!"), std::string::npos);
  EXPECT_EQ(programmer.pane().text().find("Chip is not blank!"), std::string::npos);
  EXPECT_NE(programmer.pane().text().find("Read Option is failure!"), std::string::npos);
}

TEST_F(RunEngineTest, StopDuringTheHandshakeEndsTheRunWithoutAVerdict) {
  replyData.erase(0x80);
  loop.scheduleInMs(500, [&] { programmer.stop(); });
  const RunResult r = programmer.runFunction("Erase_All", "p");
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(programmer.pane().text(), "We are connecting ...\r\n");
  EXPECT_EQ(sent[0x82], 1);
  EXPECT_LE(loop.nowMs(), 500);
  // The next run starts normally.
  replyData[0x80] = {};
  EXPECT_TRUE(programmer.runFunction("Erase_All", "p").ok());
}

TEST_F(RunEngineTest, WriteAndReadOptionReportWhatTheChipHolds) {
  replyData[0x05] = {0xF8, 0xEF};
  EXPECT_TRUE(programmer.runFunction("Write_Option", "p").ok());
  EXPECT_TRUE(programmer.pane().contains("We are writing Option ...\r\nWrite Option OK!"));
  options = {0xF8, 0xEF};
  EXPECT_TRUE(programmer.runFunction("Read_Option", "p").ok());
  EXPECT_TRUE(programmer.pane().contains("Read Option OK!\r\nISP space = 0.0 K"));
  EXPECT_EQ(programmer.options().readOptionLabels[0], "LOCK: Yes");
}

}  // namespace
}  // namespace qrk

namespace qrk {
namespace {

TEST(SavedSettings, TheSavedModelIsSelectedAndAPositionOutsideTheListIsNot) {
  VirtualEventLoop loop;
  test::ScriptedPort port{loop};
  test::RecordingHost host;
  {
    MemorySettingsStore settings;
    Programmer p{port, loop, settings, host};
    p.loadSettings();
    EXPECT_EQ(p.model().name, "QRK5-04A");  // a first start
    EXPECT_EQ(p.options().ispSpaceText, "0.0k");
    EXPECT_EQ(p.loadChoices().fillByte, 0x00);
  }
  {
    MemorySettingsStore settings;
    settings.setValue("Settings", "DeviceProducts", "5");
    settings.setValue("Settings", "ISP_Space", "2");
    settings.setValue("Settings", "fillbyte", "FF");
    Programmer p{port, loop, settings, host};
    p.loadSettings();
    EXPECT_EQ(p.model().name, "QRK5-64B");
    EXPECT_EQ(p.options().ispSpaceText, "2.0k");
    EXPECT_EQ(p.loadChoices().fillByte, 0xFF);
  }
  for (const char* position : {"17", "-1", "x"}) {
    MemorySettingsStore settings;
    settings.setValue("Settings", "DeviceProducts", position);
    Programmer p{port, loop, settings, host};
    p.loadSettings();
    EXPECT_FALSE(p.model().selected) << position;
  }
}

}  // namespace
}  // namespace qrk
