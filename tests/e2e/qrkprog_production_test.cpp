// qrkprog run Program / Auto / Read_AP_ISP against qrksim: whole images into
// each kind of chip, faults on the line, --repeat with Ctrl-C, --out.
#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

class QrkprogProduction : public QrkprogTest {
 protected:
  // Runs Auto with a whole 32 KB image against a simulated chip, and checks
  // that the chip's flash holds the image afterwards.
  void programWholeImage(const std::string& model, const std::string& simArgs,
                         const std::string& runArgs = "") {
    SCOPED_TRACE(model);
    const std::string image = pseudoRandomImage(0x8000);
    writeFile(path("app.bin"), image);
    const std::string flash = path("flash-" + model + ".bin");
    Simulator sim("--model " + model + " --flash-out " + flash + " " + simArgs);
    const ProcessResult r = run("run Auto --port " + sim.portPath() + " --model " + model +
                                " --file " + path("app.bin") + " --fill FF " + runArgs);
    EXPECT_EQ(r.exitCode, 0) << describe(r);
    EXPECT_THAT(r.out, HasSubstr("\nAuto       OK!\n"));
    sim.stop();
    EXPECT_TRUE(readFile(flash).starts_with(image)) << "the chip holds what the image holds";
  }
};

// Passing faults on the line cost retries, never a byte of the image.
TEST_F(QrkprogProduction, AutoProgramsAWholeImageIntoEveryKindOfChip) {
  programWholeImage("QRK5-32B",  // kind 2
                    "--fault split:all --fault garbage:3+ --fault bad-check:40 --fault drop:90");
  programWholeImage("QRK3-32F", "");  // kind 1
  // Kind 0 chips report no ID, so the list leaves Verify_ID out.
  programWholeImage("QRK5-32D", "",
                    "--list Erase_All,Blank_Check,Program,Verify,Write_Option,Read_Option");
}

TEST_F(QrkprogProduction, ReadBackIsStoredOnlyWhenTheWholeReadSucceeded) {
  const std::string chip = pseudoRandomImage(0xFC00);
  writeFile(path("chip.bin"), chip);
  Simulator sim("--model QRK5-64B --flash-in " + path("chip.bin"));
  const std::string read = "run Read_AP_ISP --model QRK5-64B --port ";
  ProcessResult r = run(read + sim.portPath() + " --out " + path("back.bin"));
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_TRUE(readFile(path("back.bin")) == chip + std::string(0x400, '\xFF'));

  writeFile(path("old.bin"), "old");
  Simulator silent("--model QRK5-64B --fault drop:100+@00");
  r = run(read + silent.portPath() + " --out " + path("old.bin"));
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_THAT(r.out, HasSubstr("Read flash is failure!"));
  EXPECT_EQ(readFile(path("old.bin")), "old");
}

// The serial number's field comes from the command line for one run; only the
// next value is saved back, advanced as the window advances it.
TEST_F(QrkprogProduction, SerialOptionsSetTheFieldForTheRunAndSaveOnlyTheNextValue) {
  Simulator sim("--model QRK5-16B --flash-out " + path("flash.bin"));
  writeFile(path("app.hex"), ":0400000001020304F2\n:00000001FF\n");
  writeFile(path("line.ini"), "[Auto_Increase]\naddress=FFFF\nLength=8\n");
  const ProcessResult r =
      run("run Auto --model QRK5-16B --file " + path("app.hex") + " --settings " +
          path("line.ini") + " --port " + sim.portPath() +
          " --serial --serial-address 0x3FFF --serial-bytes 4 --serial-format decimal "
          "--serial-next 1000");
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  const std::string settings = readFile(path("line.ini"));
  EXPECT_THAT(settings, HasSubstr("address=FFFF\n"));
  EXPECT_THAT(settings, HasSubstr("Length=8\n"));
  EXPECT_THAT(settings, HasSubstr("next_value=00001001\n"));
  sim.stop();
  EXPECT_EQ(readFile(path("flash.bin")).substr(0x3FFC, 4), std::string("\0\0\x10\0", 4));
}

TEST_F(QrkprogProduction, RepeatRunsChipAfterChipUntilCtrlCStopsTheCountdown) {
  Simulator sim("--model QRK5-16B");
  const std::string verifyId = "run Verify_ID --model QRK5-16B --port " + sim.portPath();
  ChildProcess child("qrkprog", verifyId + " --repeat 50 --delay 9");
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
  ChildProcess failing(
      "qrkprog", "run Verify_ID --model QRK5-16B --repeat 50 --delay 9 --port " + wrong.portPath());
  ASSERT_TRUE(failing.waitForOutput("will Re-Run... ", 10s)) << failing.out() << failing.err();
  failing.sendSignal(SIGINT);
  r = failing.wait(5s);
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_THAT(r.err, HasSubstr("0 of 1 chips OK"));
}

}  // namespace
}  // namespace qrk::test
