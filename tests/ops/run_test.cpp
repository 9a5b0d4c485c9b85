#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "ops/ops_bench.h"
#include "support/link_fixture.h"
#include "support/scripted_port.h"
#include "support/temp_files.h"

namespace qrk {
namespace {

using sim::Fault;
using sim::FaultKind;
using test::OpsBench;

TEST(BlankCheck, VerdictsTheFirstFailureEndsTheListAndNoVerdictIsAFailure) {
  OpsBench b;
  EXPECT_TRUE(b.programmer.runFunction(FunctionId::BlankCheck, "sim").ok());
  EXPECT_TRUE(b.pane().ends_with("Blank checking...\r\nWhole chip is blank!"));
  b.sim.device.optionBytes() = {0xF8, 0xEF};  // option bytes out of the erased state
  EXPECT_FALSE(b.programmer.runFunction(FunctionId::BlankCheck, "sim").ok());
  EXPECT_TRUE(b.paneHas("\r\nISP space = 0.0 K") && b.paneHas("LOCK   is Yes"));
  EXPECT_TRUE(b.pane().ends_with("\r\nChip is not blank!"));
  EXPECT_EQ(b.host.beeps, 3);  // run on its own, the verdict gives the alert

  // A programmed cell: the list ends at its first failure, with the failure lines.
  OpsBench stuck("QRK5-16B", sim::DeviceOptions().withFault(Fault::stuckCell(0x0123)));
  stuck.setList({"Erase_All", "Blank_Check", "Program", "Write_Option"});
  EXPECT_FALSE(stuck.production.run(FunctionId::Auto).ok());
  EXPECT_TRUE(
      stuck.paneHas("\r\n\r\n000123H = 00\r\nChip is not blank!\r\nBlank_Check    is "
                    "failure!\r\nAuto           is failure!\r\n"))
      << stuck.pane();
  EXPECT_TRUE(stuck.sim.device.dataFrames().empty());
  EXPECT_EQ(stuck.host.beeps, 3);  // the list's alert only: one failure, one alert

  // The option bytes are part of the check: silent, they give no verdict either way.
  OpsBench none("QRK5-16B", sim::DeviceOptions().withFault(
                                Fault{FaultKind::Drop, 1, true, {cmd::kReadOption}, 0}));
  EXPECT_FALSE(none.programmer.runFunction(FunctionId::BlankCheck, "sim").ok());
  EXPECT_TRUE(none.paneHas("Read Option is failure!") && !none.paneHas("blank!")) << none.pane();
}

// Each way a chip can fail ends the run with its reason and the details a
// reader acts on: the first differing address with both bytes, the ID read,
// the block a refused frame began.
TEST(RunReasons, EachFailureEndsTheRunWithItsTypedReasonAndItsDetails) {
  using Details = std::tuple<std::optional<std::int32_t>, std::optional<std::uint32_t>,
                             std::optional<std::uint32_t>, std::string>;
  const std::uint8_t at0 = test::patternBytes(1)[0], at123 = test::patternBytes(0x400)[0x123];
  const auto stuck = sim::DeviceOptions().withFault(Fault::stuckCell(0x0123));
  const auto every = [](FaultKind kind) {
    return sim::DeviceOptions().withFault(Fault::every(kind));
  };
  const auto withId = sim::DeviceOptions().withId(0x1234);
  using enum FaultKind;
  using Row = std::tuple<const char*, const char*, sim::DeviceOptions, FunctionId, Reason, Details>;
  // clang-format off
  const Row cases[] = {
      {"silent", "QRK5-16B", every(Drop), FunctionId::VerifyId, Reason::NoAnswer, {}},
      {"wrong id", "QRK5-16B", withId, FunctionId::VerifyId, Reason::WrongId, {{}, {}, {}, "1234"}},
      {"not blank", "QRK5-16B", stuck, FunctionId::BlankCheck, Reason::NotBlank, {0x0123, 0xFF, 0, ""}},
      {"kind 1 read back", "QRK3-32F", stuck, FunctionId::Program, Reason::Mismatch, {0x123, at123, 0, ""}},
      {"kind 0 list verify", "QRK5-32D", {}, FunctionId::Verify, Reason::Mismatch, {0, at0, 0xFF, ""}},
      {"refused", "QRK5-16B", every(BadAck), FunctionId::Program, Reason::Refused, {0, {}, {}, ""}},
      {"port", "QRK5-16B", {}, FunctionId::VerifyId, Reason::Port, {}},
      {"stopped mid-list", "QRK5-16B", {}, FunctionId::Auto, Reason::Stopped, {}},
      {"file", "QRK5-16B", {}, FunctionId::Program, Reason::File, {}},
  };
  // clang-format on
  for (const auto& [what, model, options, function, reason, details] : cases) {
    SCOPED_TRACE(what);
    OpsBench b(model, options);
    if (reason == Reason::Port) b.sim.port.refuseOpen();
    if (reason == Reason::Stopped)
      b.onFirstSent(cmd::kDataRestart, [&b] { b.production.stopClicked(); });
    if (reason == Reason::File) b.image().fileLoaded = false;
    const Status s = b.production.run(function).status;
    EXPECT_EQ(s.reason, reason) << b.pane();
    EXPECT_FALSE(s.text.empty());
    EXPECT_EQ(Details(s.address, s.expected, s.actual, s.idRead), details);
    // The list ends there: no reopened port, no option bytes, nothing counted.
    EXPECT_EQ(b.sim.port.openCount(), reason == Reason::Port ? 0 : 1);
    EXPECT_EQ(b.sim.device.commandCount(cmd::kWriteOption), 0);
    EXPECT_EQ(b.programmer.successCounter().text(), "0");
  }
}

TEST(FunctionListRun, TheDefaultListProgramsTheChipCountsItAndBeepsABadListIsRefused) {
  OpsBench b;
  EXPECT_TRUE(b.production.run(FunctionId::Auto).ok()) << b.pane();
  for (const char* line :
       {"Erase_All       OK!\r\n", "Blank_Check     OK!\r\n", "Program         OK!\r\n",
        "Verify          OK!\r\n", "Write_Option    OK!\r\n", "Read_Option     OK!\r\n",
        "\r\nAuto       OK!\r\n"}) {
    EXPECT_TRUE(b.paneHas(line)) << line;
  }
  // Verify_ID names the chip but has no OK line of its own.
  EXPECT_TRUE(b.paneHas("MCU: QRK5/3-16B") && !b.paneHas("Verify_ID"));
  EXPECT_EQ(std::tuple(b.settings.value("Settings", "Write_OK_Count", ""), b.host.beeps),
            std::tuple("1", 1));
  EXPECT_TRUE(b.flashHolds(0, test::patternBytes(0x400)) && !b.sim.port.isOpen());

  // Another port's run on the same store counted two chips meanwhile: they stay counted.
  b.settings.setValue("Settings", "Write_OK_Count", "3");
  EXPECT_TRUE(b.production.run(FunctionId::Auto).ok());
  EXPECT_EQ(std::tuple(b.settings.value("Settings", "Write_OK_Count", ""),
                       b.programmer.successCounter().text()),
            std::tuple("4", "4"));
  // A count typed here since is counted on from.
  b.programmer.successCounter().setText("20");
  EXPECT_TRUE(b.production.run(FunctionId::Auto).ok());
  EXPECT_EQ(b.settings.value("Settings", "Write_OK_Count", ""), "21");

  b.programmer.successCounter().setText("99999999999999999999999");
  EXPECT_TRUE(b.production.run(FunctionId::Auto).ok());
  EXPECT_NE(b.programmer.successCounter().text(), "0");  // saturates instead of wrapping

  // A scripted list is checked before it runs.
  std::string error;
  EXPECT_FALSE(b.programmer.functionList().setForRun({"Program", "Auto"}, &error));
  EXPECT_NE(error.find("'Auto'"), std::string::npos);
  EXPECT_FALSE(b.programmer.functionList().setForRun(std::vector<std::string>(9, "Verify")));
}

// "3@0 2@1000 1@2000": each countdown number shown, at its ms from the first.
std::string countdown(const test::PaneHost& host) {
  std::string out;
  std::int64_t first = -1;
  for (const auto& [ms, text] : host.replaced) {
    const auto at = text.rfind("will Re-Run... ");
    if (at == std::string::npos || at + 15 >= text.size()) continue;
    if (first < 0) first = ms;
    out += (out.empty() ? "" : " ") + text.substr(at + 15) + "@" + std::to_string(ms - first);
  }
  return out;
}

TEST(ReRun, CountsDownOneSecondAtATimeFromTheChosenDelayThenRunsAgain) {
  OpsBench b;
  b.settings.setValue("Settings", "Dalay_ReDownLoad", "8");  // out of range: the default 5 s
  b.programmer.production().load(b.settings);
  EXPECT_FALSE(b.programmer.production().setDelaySeconds(0) ||
               b.programmer.production().setDelaySeconds(10));
  EXPECT_TRUE(b.production.reRun(FunctionId::VerifyId, 2).allSucceeded());
  EXPECT_EQ(countdown(b.host), "5@0 4@1000 3@2000 2@3000 1@4000");
  EXPECT_EQ(b.host.replaced.back().second, "We are connecting ...\r\n");  // on a cleared pane
  EXPECT_EQ(std::tuple(b.programmer.controls().locked, b.sim.device.commandCount(cmd::kReadId)),
            std::tuple(false, 4));
}

// (Stop in the countdown is checked end to end.)
TEST(ReRun, StopInTheHandshakeEndsItAndNoFurtherRunStarts) {
  OpsBench off("QRK5-16B", sim::DeviceOptions().withPowerOnAfter(1'000'000));
  off.stopAfterMs(1500);
  const auto summary = off.production.reRun(FunctionId::Auto);
  EXPECT_LT(off.sim.loop.nowMs(), 1600);
  EXPECT_EQ(off.pane(), "We are connecting ...\r\n\r\nStop by user!");
  EXPECT_EQ(std::tuple(summary.stopped, summary.runs, summary.succeeded, off.host.beeps,
                       off.sim.port.openCount(), off.sim.device.commandCount(cmd::kStop)),
            std::tuple(true, 1, 0, 0, 1, 1));
}

TEST(RunLock, ARunHoldsTheControlsUntilItHasReturnedEvenAfterStop) {
  OpsBench b;
  RunControls during;
  RunControls afterStop;
  RunResult nested;
  nested.portOpened = true;  // until the refused second Run reports
  // While the erase waits for its answer: a second Run click, then Stop.
  b.onFirstSent(cmd::kErase, [&] {
    during = b.programmer.controls();
    nested = b.production.run(FunctionId::VerifyId);
    b.production.stopClicked();
    afterStop = b.programmer.controls();
  });
  const RunResult r = b.production.run(FunctionId::EraseAll);
  EXPECT_TRUE(during.locked && during.stopEnabled && !nested.portOpened);
  // Stop ends the run, but Run stays disabled until the run has unwound.
  EXPECT_FALSE(afterStop.runEnabled() || afterStop.stopEnabled);
  EXPECT_EQ(std::tuple(r.stopped, b.programmer.controls().runEnabled(),
                       b.programmer.controls().stopEnabled, b.sim.device.commandCount(cmd::kStop)),
            std::tuple(true, true, false, 1));
  // Stop while idle performs the whole sequence; the next Run starts normally.
  b.production.stopClicked();
  EXPECT_TRUE(b.production.run(FunctionId::EraseAll).ok());
}

// The reload check: an image laid out for one memory map is not programmed
// under another.
TEST(ReloadCheck, AnImageReachingTheNewApEndMustBeLoadedAgainButNotDuringARun) {
  OpsBench b("QRK3-64F");                         // kind 1, AP up to the ISP area
  ASSERT_TRUE(b.programmer.setIspSpace("1.0k"));  // AP end FBFF
  b.programmer.loadChoices().fillByte = 0xFF;
  b.load(0, test::patternBytes(0xF000));
  ASSERT_TRUE(b.programmer.setIspSpace("4.0k"));  // AP end EFFF: 0 .. EFFF reaches it
  EXPECT_EQ(b.host.boxes,
            std::vector<std::string>{"    Please reload file.\r\n\r\n      请重新打开文件"});
  EXPECT_EQ(
      std::tuple(b.image().fileLoaded, b.image().at(0), b.image().rangeLow, b.image().rangeHigh),
      std::tuple(false, 0xFF, 0, 1023));

  b.host.boxes.clear();
  b.load(0, test::patternBytes(0x400));
  EXPECT_FALSE(b.programmer.setIspSpace("9.0k"));     // refused: nothing changed
  EXPECT_TRUE(b.programmer.selectModel("QRK5-04A"));  // AP end 0FFF: 0 .. 3FF still fits
  EXPECT_TRUE(b.image().fileLoaded);
  b.load(0, test::patternBytes(0x1000));
  EXPECT_TRUE(b.programmer.checkReload());  // ends on the AP end itself
  EXPECT_EQ(b.host.boxes.size(), 1u);

  // Mid-run the map cannot move the image: the run programs what it began with.
  b.load(0, test::patternBytes(0x1000));
  b.onFirstSent(cmd::kDataRestart, [&] { b.programmer.selectModel("QRK3-04A"); });
  EXPECT_TRUE(b.production.run(FunctionId::Program).ok()) << b.pane();
  EXPECT_TRUE(b.image().fileLoaded);
  EXPECT_EQ(b.host.boxes.size(), 1u);
}

// Stop may empty the output queue, but its own command must stay in it: the
// chip that never sees it stays in the bootloader.
TEST(RunLock, StopEmptiesTheOutputQueueBeforeItsCommandNeverAfter) {
  VirtualEventLoop loop;
  test::ScriptedPort port{loop};
  MemorySettingsStore settings;
  test::RecordingHost host;
  Programmer programmer{port, loop, settings, host};
  ASSERT_TRUE(programmer.link().openPort("scripted"));
  programmer.stop();
  ASSERT_FALSE(port.written.empty());
  EXPECT_EQ(test::LinkFixture::commandOf(port.written.back()), cmd::kStop);
  EXPECT_EQ(
      std::count(port.outputDiscardedAt.begin(), port.outputDiscardedAt.end(), port.written.size()),
      0)
      << "the stop command was discarded before it could leave";
  EXPECT_FALSE(port.isOpen());
}

// A firmware file that a test rewrites between runs, as a rebuild would.
struct FirmwareFile {
  void write(std::size_t count, std::uint8_t value) const {
    dir.file("firmware.bin", std::string(count, static_cast<char>(value)));
  }
  test::TempDir dir;
  const std::string path = dir.path("firmware.bin");
};

TEST(ReloadAndSerialNumber, EveryChipGetsTheFileAsItIsNowAndANumberNeverUsedBefore) {
  OpsBench b;
  FirmwareFile file;
  b.programmer.loadChoices().fillByte = 0xFF;
  file.write(0x20, 0x11);
  ASSERT_TRUE(b.programmer.loadFile(file.path).loaded());
  const AutoIncrement& serial = b.armSerial("98");
  b.programmer.loadChoices().reloadBeforeRun = true;

  file.write(0x10, 0x22);  // rebuilt shorter: nothing of the old build may remain
  ASSERT_TRUE(b.production.run(FunctionId::Program).ok()) << b.pane();
  const std::pair<std::int32_t, int> cells[] = {
      {0x00, 0x22}, {0x0F, 0x22}, {0x10, 0xFF}, {0x1F, 0xFF}, {0x101, 0x98}};
  for (const auto& [a, value] : cells) EXPECT_EQ(b.sim.device.flashByte(a), value) << a;
  EXPECT_TRUE(serial.armed());
  file.write(0x10, 0x33);  // Re-Run does not reload: that is for a single run
  EXPECT_TRUE(b.production.reRun(FunctionId::Program, 1).allSucceeded());
  EXPECT_EQ(b.sim.device.flashByte(0x00), 0x22);

  b.setList({"Erase_All", "Program", "Write_Option", "Read_Option"});
  ASSERT_TRUE(b.production.run(FunctionId::Auto).ok()) << b.pane();  // the option write advances it
  EXPECT_EQ(
      std::tuple(b.sim.device.flashByte(0x00), b.settings.value("Auto_Increase", "next_value", ""),
                 b.programmer.image().at(0x101)),
      std::tuple(0x33, "99", 0x99));

  EXPECT_FALSE(
      b.production.run(FunctionId::Auto).ok());  // 99 goes out, but 100 does not fit one byte
  EXPECT_TRUE(b.paneHas("Write Option OK!\r\nWrite_Option   is failure!"));
  EXPECT_EQ(std::tuple(b.sim.device.flashByte(0x101), b.programmer.successCounter().text(),
                       serial.armed()),
            std::tuple(0x99, "1", false));
  const std::size_t frames = b.sim.device.dataFrames().size();
  EXPECT_FALSE(b.production.run(FunctionId::Program).ok());
  EXPECT_EQ(b.sim.device.dataFrames().size(), frames);

  std::filesystem::remove(file.path);  // a reload that fails fails the run
  EXPECT_FALSE(b.production.run(FunctionId::Auto).ok());
  EXPECT_EQ(
      std::tuple(b.sim.device.dataFrames().size(), b.sim.device.commandCount(cmd::kWriteOption)),
      std::tuple(frames, 2));
  EXPECT_TRUE(b.paneHas("Program        is failure!"));
  EXPECT_EQ(b.host.boxes,
            (std::vector<std::string>{"下一个序列号超出了字节数能存放的范围，自动增量已停止",
                                      " '下一个值' 超出了字节数能存放的范围",
                                      "Can not find the file./找不到文件"}));
}

// An image built from several files (an application and a configuration
// block) is rebuilt from all of them, each at the start it was loaded at; a
// failed rebuild leaves numbering on for the next chip.
TEST(ReloadAndSerialNumber, AReloadRebuildsEveryFileOfTheImageOrChangesNothing) {
  OpsBench b;
  FirmwareFile application;
  FirmwareFile configuration;
  b.programmer.loadChoices().fillByte = 0xFF;
  application.write(0x100, 0x11);
  configuration.write(0x10, 0xC1);
  ASSERT_TRUE(b.programmer.loadFile(application.path).loaded());
  b.programmer.loadChoices().startAddressText = "3000";
  ASSERT_TRUE(b.programmer.loadFile(configuration.path).loaded());
  b.programmer.loadChoices().startAddressText = "2000";  // for the next file, not these
  b.programmer.loadChoices().reloadBeforeRun = true;
  b.armSerial("42");

  application.write(0x80, 0x12);
  configuration.write(0x10, 0xC2);
  ASSERT_TRUE(b.production.run(FunctionId::Program).ok()) << b.pane();
  const std::pair<std::int32_t, int> cells[] = {{0x0000, 0x12}, {0x007F, 0x12}, {0x0080, 0xFF},
                                                {0x00FF, 0xFF}, {0x2000, 0xFF}, {0x3000, 0xC2},
                                                {0x300F, 0xC2}, {0x3010, 0xFF}};
  for (const auto& [a, value] : cells) EXPECT_EQ(b.sim.device.flashByte(a), value) << a;
  EXPECT_EQ(std::tuple(b.image().rangeLow, b.image().rangeHigh), std::tuple(0x0000, 0x300F));

  // One file gone: the run fails before sending, the image stays as built and
  // numbering stays on for the next chip.
  std::filesystem::remove(configuration.path);
  application.write(0x80, 0x13);
  const std::size_t frames = b.sim.device.dataFrames().size();
  EXPECT_FALSE(b.production.run(FunctionId::Program).ok());
  EXPECT_EQ(std::tuple(b.sim.device.dataFrames().size(), b.image().fileLoaded, b.image().at(0x0000),
                       b.image().at(0x3000)),
            std::tuple(frames, true, 0x12, 0xC2));
  configuration.write(0x10, 0xC3);
  ASSERT_TRUE(b.production.run(FunctionId::Program).ok()) << b.pane();
  EXPECT_EQ(std::tuple(b.sim.device.flashByte(0x00), b.sim.device.flashByte(0x101),
                       b.sim.device.flashByte(0x3000)),
            std::tuple(0x13, 0x42, 0xC3));

  // Clear Buffer ticked: the next load starts a new image of one file.
  b.programmer.loadChoices().clearBuffer = true;
  b.programmer.loadChoices().startAddressText = "0";
  ASSERT_TRUE(b.programmer.loadFile(application.path).loaded());
  EXPECT_EQ(std::tuple(b.image().rangeHigh, b.image().at(0x3000)), std::tuple(0x7F, 0xFF));
}

}  // namespace
}  // namespace qrk
