// qrkprog run against qrksim: reading back into a file, the serial number's
// options, --skip-blank, --repeat with Ctrl-C.
#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

using QrkprogProduction = QrkprogTest;

TEST_F(QrkprogProduction, ReadBackIsStoredOnlyWhenTheWholeReadSucceeded) {
  const std::string chip = pseudoRandomImage(0xFC00);
  writeFile(path("chip.bin"), chip);
  Simulator sim("--model QRK5-64B --flash-in " + path("chip.bin"));
  const std::string read = "run Read_AP_ISP --model QRK5-64B --port ";
  run(read + sim.portPath() + " --out " + path("back.bin"), 0);
  EXPECT_TRUE(readFile(path("back.bin")) == chip + std::string(0x400, '\xFF'));

  writeFile(path("old.bin"), "old");
  Simulator silent("--model QRK5-64B --fault drop:100+@00");
  EXPECT_THAT(run(read + silent.portPath() + " --out " + path("old.bin"), 1).out, HasSubstr("Read flash is failure!"));
  EXPECT_EQ(readFile(path("old.bin")), "old");
}

// The serial number's field comes from the command line for one run; only the
// next value is saved back, advanced as the window advances it.
TEST_F(QrkprogProduction, SerialOptionsSetTheFieldForTheRunAndSaveOnlyTheNextValue) {
  Simulator sim("--model QRK5-16B --flash-out " + path("flash.bin"));
  writeFile(path("app.hex"), ":0400000001020304F2\n:00000001FF\n");
  writeFile(path("line.ini"), "[Auto_Increase]\naddress=FFFF\nLength=8\n");
  run("run Auto --model QRK5-16B --file " + path("app.hex") + " --settings " + path("line.ini") +
          " --port " + sim.portPath() +
          " --serial --serial-address 0x3FFF --serial-bytes 4 --serial-format decimal "
          "--serial-next 1000",
      0);
  for (const char* kept : {"address=FFFF\n", "Length=8\n", "next_value=00001001\n"})
    EXPECT_THAT(readFile(path("line.ini")), HasSubstr(kept));
  sim.stop();
  EXPECT_EQ(readFile(path("flash.bin")).substr(0x3FFC, 4), std::string("\0\0\x10\0", 4));
}

TEST_F(QrkprogProduction, RepeatRunsChipAfterChipUntilCtrlCStopsTheCountdown) {
  Simulator sim("--model QRK5-16B");
  const std::string shift = "run Verify_ID --model QRK5-16B --repeat 50 --delay 9 --port ";
  ChildProcess child("qrkprog", shift + sim.portPath());
  ASSERT_TRUE(child.waitForOutput("will Re-Run... 9", 10s)) << child.out() << child.err();
  child.sendSignal(SIGINT);
  ProcessResult r = child.wait(5s);
  // Between chips, with every chip OK: the shift ends cleanly.
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_LT(r.wallSeconds, 5.0);
  EXPECT_THAT(r.out, ::testing::EndsWith("will Re-Run... 9\nStop by user!\n"));
  EXPECT_EQ(r.out.find("We are connecting ..."), r.out.rfind("We are connecting ..."))
      << "no second run started";
  EXPECT_THAT(r.err, HasSubstr("stopped by user between chips: 1 of 1 chips OK"));

  // A failed chip before the Ctrl-C fails the shift.
  Simulator wrong("--model QRK5-16B --id F001");
  ChildProcess failing("qrkprog", shift + wrong.portPath());
  ASSERT_TRUE(failing.waitForOutput("will Re-Run... ", 10s)) << failing.out() << failing.err();
  failing.sendSignal(SIGINT);
  r = failing.wait(5s);
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_THAT(r.err, HasSubstr("0 of 1 chips OK"));
}

using QrkprogSkipBlank = QrkprogTest;

// The data frames (0x03 and 0x04) a --trace shows sent.
int dataFramesSent(const std::string& trace) {
  int frames = 0;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t sent = line.find("] -> ");
    const std::size_t start = sent == std::string::npos ? sent : line.find(" 6A ", sent);
    if (start == std::string::npos || line.size() < start + 12) continue;
    const std::string command = line.substr(start + 10, 2);
    if (command == "03" || command == "04") ++frames;
  }
  return frames;
}

TEST_F(QrkprogSkipBlank, ASparseImageSendsOnlyItsBlocksAndWhereItCannotApplyItSaysSoOnce) {
  // 16 KB: 2.75 KB of code, FF, a serial number in the last four bytes.
  std::string image = pseudoRandomImage(0xB00) + std::string(0x4000 - 0xB00, '\xFF');
  image.replace(0x3FFC, 4, "\x00\x00\x12\x34", 4);
  writeFile(path("sparse.bin"), image);
  const std::string notChecked =
      "skip-blank: not used, the chip was not blank-checked in this run\n";
  constexpr int kEveryBlock = 0x4000 / 128;
  struct Case {
    std::string args, said;
    int frames;
    std::string fill = "FF";
  };
  const Case cases[] = {
      // Six blocks of code, one of the serial number.
      {"run Auto --list Erase_All,Blank_Check,Program,Verify", "", 7 * 4},
      {"run Auto --list Erase_All,Program --repeat 2 --delay 2", notChecked, 2 * kEveryBlock},
      {"run Auto --list Erase_All,Blank_Check,Program",
       "skip-blank: not used, the fill byte is 00\n", kEveryBlock, "00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Simulator sim("--model QRK5-16B");
    const ProcessResult r = run(c.args + " --skip-blank --model QRK5-16B --file " +
                                    path("sparse.bin") + " --fill " + c.fill + " --trace --port " +
                                    sim.portPath(),
                                0);
    EXPECT_TRUE(r.out.starts_with(c.said + "We are connecting ...\n")) << r.out;
    EXPECT_EQ(r.out.find("skip-blank", c.said.size()), std::string::npos) << "said once";
    EXPECT_EQ(dataFramesSent(r.err), c.frames);
  }
}

}  // namespace
}  // namespace qrk::test
