// qrkprog run against qrksim and against lines where nothing answers.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "e2e/process_harness.h"
#include "e2e/pseudo_terminal.h"

namespace qrk::test {
namespace {

using namespace std::chrono_literals;

// A run that connects takes well under a second against the simulator; one
// whose target never answers spends a 4 s handshake pass.
constexpr auto kRunLimit = 15s;

const std::string kConnectFailure =
    "We are connecting ...\n"
    "\n"
    "Communication is failure!\n"
    "\n"
    "Connect the electric cable and Power On.\n"
    "\n"
    "请接好电缆, 打开电源。\n";

const std::string kOpenFailure =
    "We are connecting ...\n"
    "\n"
    "Open COM port is failure!\n"
    "The COM port opened by another Program or no the COM port.\n"
    "\n"
    "打开串口失败!\n"
    "串口已被其它程序打开或不存在。\n";

std::string describe(const ProcessResult& r) {
  return "exit " + std::to_string(r.exitCode) + (r.timedOut ? " (timed out)" : "") +
         (r.termSignal ? " signal " + std::to_string(r.termSignal) : "") + "\n--- stdout\n" +
         r.out + "--- stderr\n" + r.err.substr(0, 2000);
}

std::size_t countOf(const std::string& text, const std::string& needle) {
  std::size_t n = 0;
  for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

// Each test gets its own settings home, so that no run reads or writes the
// settings of the person running the suite.
class QrkprogRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qrk-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(home_); }

  Environment env() const { return {"HOME=" + home_, "XDG_CONFIG_HOME=" + home_ + "/config"}; }
  std::vector<std::string> qrkprog(std::vector<std::string> args) const {
    args.insert(args.begin(), binaryPath("qrkprog"));
    return args;
  }
  ProcessResult run(std::vector<std::string> args) const {
    return runProcess(qrkprog(std::move(args)), kRunLimit, env());
  }
  std::string home_;
};

TEST_F(QrkprogRun, VerifyIdConnectsWhileTheTargetPowersOn) {
  Simulator sim({"--model", "QRK5-16B", "--power-on-after", "30", "--version", "32"});
  ASSERT_TRUE(sim.ready()) << sim.log();

  const ProcessResult r =
      run({"run", "Verify_ID", "--port", sim.portPath(), "--model", "QRK5-16B"});

  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_EQ(r.out,
            "We are connecting ...\n"
            "Version: 3.2\n"
            "烧录器版本号: 3.2\n"
            "MCU: QRK5/3-16B\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(QrkprogRun, WrongChipIdFailsWithBothTexts) {
  Simulator sim({"--model", "QRK5-16B", "--id", "F001"});
  ASSERT_TRUE(sim.ready()) << sim.log();

  const ProcessResult r =
      run({"run", "verify_id", "--port", sim.portPath(), "--model", "QRK5-16B"});

  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_NE(r.out.find("MCU: QRK5/3-04A\n"
                       "Already encrypt or Invalid MCU type!\n"
                       "已加密或有疑问的 MCU 型号 \n"),
            std::string::npos)
      << r.out;
}

TEST_F(QrkprogRun, OptionsChosenOnTheCommandLineAreWritten) {
  Simulator sim({"--model", "QRK3-32F"});
  ASSERT_TRUE(sim.ready()) << sim.log();

  const ProcessResult r =
      run({"run", "Write_Option", "--port", sim.portPath(), "--model", "QRK3-32F", "--isp-space",
           "1.5k", "--option", "LOCK=NO", "--option", "en6t=yes", "--trace"});

  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_NE(r.out.find("Write Option OK!"), std::string::npos) << r.out;
  // LOCK NO sets bit 0, HWEN_ISP keeps its default NO (bit 3); 1.5 K is size
  // code 13 in the high nibble; EN6T YES clears bit 2 of the second byte.
  EXPECT_NE(r.err.find("-> 6A 00 08 05 D9 FB 4B 16\n"), std::string::npos) << r.err;
}

TEST_F(QrkprogRun, SilentLineFailsAfterOneHandshakePass) {
  PseudoTerminal line;  // opened, but nothing ever answers
  ASSERT_TRUE(line.valid());

  const ProcessResult r =
      run({"run", "Verify_ID", "--port", line.slavePath(), "--model", "QRK5-16B", "--trace"});

  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_EQ(r.out, kConnectFailure);
  // One pass of 201 handshakes, 20 ms apart, then no further passes.
  EXPECT_EQ(countOf(r.err, "-> 46 B9 6A 00 08 80 02 F0 E4 16\n"), 201u);
  EXPECT_EQ(countOf(r.err, "<-"), 0u);
  EXPECT_GE(r.wallSeconds, 4.0);
}

TEST_F(QrkprogRun, PortThatCannotBeOpenedGivesTheOpenFailureAndTheReason) {
  const std::string notATerminal = home_ + "/plain-file";
  std::ofstream(notATerminal) << "x";
  const std::vector<std::pair<std::string, std::string>> ports = {
      {home_ + "/no-such-port", "No such file or directory"},
      {notATerminal, "cannot open " + notATerminal + ": "},
      {"COM999", "serial port"},
  };
  for (const auto& [port, reason] : ports) {
    SCOPED_TRACE(port);
    const ProcessResult r = run({"run", "Erase_All", "--port", port, "--model", "QRK5-16B"});
    EXPECT_EQ(r.exitCode, 1) << describe(r);
    EXPECT_EQ(r.out, kOpenFailure);
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
  }
}

TEST_F(QrkprogRun, CtrlCStopsTheRunAndSendsTheStopCommand) {
  PseudoTerminal line;
  ASSERT_TRUE(line.valid());
  ChildProcess child(
      qrkprog({"run", "Blank_Check", "--port", line.slavePath(), "--model", "QRK5-16B", "--trace"}),
      env());
  ASSERT_TRUE(child.waitForOutput("We are connecting ...\n", 5s)) << child.err();

  child.sendSignal(SIGINT);
  const ProcessResult r = child.wait(5s);
  EXPECT_TRUE(r.exited) << describe(r);
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_LT(r.wallSeconds, 4.0) << "the stop ends the handshake pass early";
  EXPECT_NE(r.err.find("-> 46 B9 6A 00 08 82 02 00 F6 16\n"), std::string::npos)
      << "the stop command is sent\n"
      << r.err.substr(r.err.size() > 600 ? r.err.size() - 600 : 0);
  EXPECT_NE(r.err.find("stopped by user"), std::string::npos);
  EXPECT_EQ(r.out, "We are connecting ...\n\nStop by user!\n");
}

TEST_F(QrkprogRun, PortHeldByAnotherRunGivesTheOpenFailure) {
  PseudoTerminal line;
  ASSERT_TRUE(line.valid());
  ChildProcess holder(
      qrkprog({"run", "Verify_ID", "--port", line.slavePath(), "--model", "QRK5-16B"}), env());
  ASSERT_TRUE(holder.waitForOutput("We are connecting ...\n", 5s)) << holder.err();

  const ProcessResult r =
      run({"run", "Verify_ID", "--port", line.slavePath(), "--model", "QRK5-16B"});
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_EQ(r.out, kOpenFailure);
  EXPECT_EQ(holder.out().find("failure"), std::string::npos)
      << "the holder was still in its handshake: " << holder.out();
  // A graceful end releases the port's lock file at once.
  holder.sendSignal(SIGINT);
  EXPECT_EQ(holder.wait(5s).exitCode, 1);
}

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(QrkprogRun, WindowsSettingsGetOnlyWhatTheRunChanged) {
  Simulator sim({"--model", "QRK5-04A"});
  ASSERT_TRUE(sim.ready()) << sim.log();
  const std::string conf = home_ + "/config/QRK Programmer.conf";
  std::filesystem::create_directories(home_ + "/config");
  const std::string saved =
      "[Settings]\nAuto_8=Verify_ID\nAuto_9=Read_Option\nCombo2=2\nDeviceProducts=12\n"
      "Write_OK_Count=41\n";
  std::ofstream(conf) << saved;

  const ProcessResult r = run({"run", "Auto", "--port", sim.portPath(), "--model", "QRK5-04A",
                               "--isp-space", "4.0k", "--option", "LOCK=NO"});

  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_NE(r.out.find("Auto       OK!\n"), std::string::npos) << r.out;
  std::string expected = saved;
  expected.replace(expected.find("=41"), 3, "=42");
  EXPECT_EQ(fileText(conf), expected) << "the counter advanced; model and options stayed";
}

TEST_F(QrkprogRun, SettingsFileIsReadAndWrittenInstead) {
  Simulator sim({"--model", "QRK5-04A"});
  ASSERT_TRUE(sim.ready()) << sim.log();
  const std::string ini = home_ + "/line3.ini";
  std::ofstream(ini) << "[Settings]\nAuto_8=Read_Option\nWrite_OK_Count=7\n";

  const ProcessResult r =
      run({"run", "Auto", "--port", sim.portPath(), "--model", "QRK5-04A", "--settings", ini});

  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_NE(r.out.find("Read_Option"), std::string::npos) << "the file's list ran\n" << r.out;
  EXPECT_NE(fileText(ini).find("Write_OK_Count=8"), std::string::npos) << fileText(ini);
  EXPECT_FALSE(std::filesystem::exists(home_ + "/config/QRK Programmer.conf"));
}

}  // namespace
}  // namespace qrk::test
