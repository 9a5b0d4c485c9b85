#include "ops/function_list_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/frame.h"
#include "ops/ops_bench.h"

namespace qrk {
namespace {

using sim::Fault;
using sim::FaultKind;
using test::OpsBench;

TEST(FunctionListRunTest, TheDefaultListProgramsTheChipAndCountsIt) {
  OpsBench b;
  const RunResult r = b.production.run("Auto");
  EXPECT_TRUE(r.ok()) << b.pane();
  const std::string& pane = b.pane();
  for (const char* line :
       {"Erase_All       OK!\r\n", "Blank_Check     OK!\r\n", "Program         OK!\r\n",
        "Verify          OK!\r\n", "Write_Option    OK!\r\n", "Read_Option     OK!\r\n",
        "\r\nAuto       OK!\r\n"}) {
    EXPECT_NE(pane.find(line), std::string::npos) << line;
  }
  // Verify_ID names the chip but has no OK line of its own.
  EXPECT_NE(pane.find("MCU: QRK5/3-16B"), std::string::npos);
  EXPECT_EQ(pane.find("Verify_ID"), std::string::npos);
  EXPECT_EQ(b.programmer.successCounter().text(), "1");
  EXPECT_EQ(b.settings.value("Settings", "Write_OK_Count", ""), "1");
  EXPECT_EQ(b.host.beeps, 1);
  for (std::int32_t a = 0; a < 0x400; ++a) {
    ASSERT_EQ(b.sim.device.flash()[static_cast<std::size_t>(a)], b.programmer.image().at(a)) << a;
  }
  EXPECT_FALSE(b.sim.port.isOpen());

  b.programmer.production().beepOnSuccess = false;
  EXPECT_TRUE(b.production.run("Auto").ok());
  EXPECT_EQ(b.host.beeps, 1);
  EXPECT_EQ(b.programmer.successCounter().text(), "2");
}

TEST(FunctionListRunTest, TheFirstFailureEndsTheListWithItsFailureLines) {
  OpsBench b("QRK5-16B", sim::DeviceOptions().withFault(Fault::stuckCell(0x0123)));
  b.setList({"Erase_All", "Blank_Check", "Program", "Write_Option"});
  EXPECT_FALSE(b.production.run("Auto").ok());
  EXPECT_NE(b.pane().find("\r\nChip is not blank!\r\nBlank_Check    is failure!\r\n"
                          "Auto           is failure!\r\n"),
            std::string::npos)
      << b.pane();
  EXPECT_EQ(b.sim.device.commandCount(cmd::kWriteOption), 0);
  EXPECT_TRUE(b.sim.device.dataFrames().empty());
  EXPECT_EQ(b.programmer.successCounter().text(), "0");
  EXPECT_EQ(b.host.beeps, 6);  // the verdict's alert and the list's
}

TEST(FunctionListRunTest, AnEmptyListIsASuccessfulAutoRun) {
  OpsBench b;
  b.setList({});
  EXPECT_TRUE(b.production.run("Auto").ok());
  EXPECT_TRUE(b.paneHas("\r\nAuto       OK!\r\n"));
  EXPECT_EQ(b.programmer.successCounter().text(), "1");
}

TEST(FunctionListRunTest, AWrongChipFailsVerifyId) {
  OpsBench b("QRK5-16B", sim::DeviceOptions().withFault(Fault::every(FaultKind::WrongId)));
  b.setList({"Verify_ID", "Erase_All"});
  EXPECT_FALSE(b.production.run("Auto").ok());
  EXPECT_TRUE(
      b.paneHas("Already encrypt or Invalid MCU type!\r\n已加密或有疑问的 MCU 型号 \r\n"
                "\r\nVerify_ID      is failure!"));
  EXPECT_EQ(b.sim.device.commandCount(cmd::kErase), 0);
}

TEST(FunctionListRunTest, StopInTheListEndsItWithoutReopeningThePortOrWritingOptions) {
  OpsBench b;
  // Stop while Program sends its data frames.
  bool stopped = false;
  b.programmer.link().setTraceSink(
      [&](TraceDirection d, std::int64_t, std::span<const std::uint8_t> f) {
        if (!stopped && d == TraceDirection::Sent && f.size() > 3 &&
            (f[3] == cmd::kData || f[3] == cmd::kDataRestart)) {
          stopped = true;
          b.sim.loop.scheduleInUs(1, [&] { b.production.stopClicked(); });
        }
      });
  const RunResult r = b.production.run("Auto");
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(b.sim.port.openCount(), 1);
  EXPECT_EQ(b.sim.device.commandCount(cmd::kWriteOption), 0);
  EXPECT_EQ(b.pane().find("Program         OK!"), std::string::npos);
  EXPECT_EQ(b.pane().find("is failure!"), std::string::npos);
  EXPECT_EQ(b.pane().find("Auto       OK!"), std::string::npos);
  EXPECT_TRUE(b.paneHas("\r\nStop by user!"));
  EXPECT_EQ(b.programmer.successCounter().text(), "0");
}

TEST(FunctionListRunTest, KindOneVerifiesInsideProgramAndTheListVerifyIsQuiet) {
  OpsBench b("QRK3-16F");
  b.setList({"Erase_All", "Program", "Verify"});
  EXPECT_TRUE(b.production.run("Auto").ok()) << b.pane();
  EXPECT_TRUE(b.paneHas("Program OK!\r\nVerify  OK!"));
  EXPECT_TRUE(b.paneHas("Verify          OK!\r\n"));
  EXPECT_EQ(b.sim.device.commandCount(cmd::kPageSums), 0);
}

TEST(FunctionListRunTest, ARecentKindTwoBootloaderVerifiesByPageSums) {
  OpsBench b;
  b.setList({"Erase_All", "Program", "Verify"});
  EXPECT_TRUE(b.production.run("Auto").ok());
  EXPECT_GT(b.sim.device.commandCount(cmd::kPageSums), 0);

  OpsBench old("QRK5-16B", sim::DeviceOptions().withVersion(0x12));
  old.setList({"Erase_All", "Program", "Verify"});
  EXPECT_TRUE(old.production.run("Auto").ok());
  EXPECT_EQ(old.sim.device.commandCount(cmd::kPageSums), 0);
  EXPECT_GT(old.sim.device.commandCount(cmd::kRead), 0);
}

}  // namespace
}  // namespace qrk
