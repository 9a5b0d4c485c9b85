// qrkprog run --skip-blank against qrksim: a sparse image on an erased,
// blank-checked chip, a chip that is not blank, and runs where the option
// cannot apply.
#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

class QrkprogSkipBlank : public QrkprogTest {
 protected:
  // 16 KB: 2.75 KB of code, FF, a serial number in the last four bytes.
  void writeSparseImage() {
    std::string image = pseudoRandomImage(0xB00) + std::string(0x4000 - 0xB00, '\xFF');
    image.replace(0x3FFC, 4, "\x00\x00\x12\x34", 4);
    writeFile(path("sparse.bin"), image);
  }
  std::string runArgs(const std::string& model, const std::string& port,
                      const std::string& fill = "FF") const {
    return " --model " + model + " --file " + path("sparse.bin") + " --fill " + fill +
           " --trace --port " + port;
  }
};

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

TEST_F(QrkprogSkipBlank, ASparseImageLeavesTheFlashAsWithoutTheOptionForBothKindsOfVerify) {
  writeSparseImage();
  const std::string list = "run Auto --list Erase_All,Blank_Check,Program,Verify";
  for (const std::string model : {"QRK5-16B", "QRK3-16F"}) {  // page sums, read-back
    SCOPED_TRACE(model);
    std::string flash[2];
    int frames[2] = {0, 0};
    for (int skip = 0; skip < 2; ++skip) {
      const std::string out = path(model + std::to_string(skip) + ".bin");
      Simulator sim("--model " + model + " --flash-out " + out);
      const ProcessResult r =
          run(list + runArgs(model, sim.portPath()) + (skip ? " --skip-blank" : ""));
      EXPECT_EQ(r.exitCode, 0) << describe(r);
      EXPECT_THAT(r.out, HasSubstr("\nAuto       OK!\n"));
      EXPECT_THAT(r.out, Not(HasSubstr("skip-blank")));
      frames[skip] = dataFramesSent(r.err);
      sim.stop();
      flash[skip] = readFile(out);
    }
    EXPECT_EQ(frames[0], 0x4000 / 128);
    EXPECT_EQ(frames[1], 7 * 4);  // six blocks of code, one of the serial number
    ASSERT_GE(flash[0].size(), 0x4000u);
    EXPECT_TRUE(flash[0] == flash[1]) << "every byte of the chip as without the option";
    EXPECT_EQ(flash[1].substr(0x3FFC, 4), std::string("\x00\x00\x12\x34", 4));
  }
}

TEST_F(QrkprogSkipBlank, AChipThatIsNotBlankFailsTheBlankCheckBeforeAnyBlockIsLeftOut) {
  writeSparseImage();
  // A cell in the gap that erasing cannot clear.
  Simulator sim("--model QRK5-16B --fault not-blank:2000");
  const ProcessResult r = run("run Auto --list Erase_All,Blank_Check,Program,Verify --skip-blank" +
                              runArgs("QRK5-16B", sim.portPath()));
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_THAT(r.out, HasSubstr("002000H = 00\nChip is not blank!\n"));
  EXPECT_EQ(dataFramesSent(r.err), 0);
}

TEST_F(QrkprogSkipBlank, WhereItCannotApplyItSaysSoOnceAndSendsEveryBlock) {
  writeSparseImage();
  struct Case {
    std::string args;
    std::string line;
    std::string fill = "FF";
  };
  const std::string notChecked = "skip-blank: not used, the chip was not blank-checked in this run";
  const Case cases[] = {
      {"run Program", notChecked},
      {"run Auto --list Erase_All,Program --repeat 2 --delay 2", notChecked},
      {"run Auto --list Erase_All,Blank_Check,Program", "skip-blank: not used, the fill byte is 00",
       "00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Simulator sim("--model QRK5-16B");
    const ProcessResult r =
        run(c.args + " --skip-blank" + runArgs("QRK5-16B", sim.portPath(), c.fill));
    EXPECT_EQ(r.exitCode, 0) << describe(r);
    EXPECT_TRUE(r.out.starts_with(c.line + "\nWe are connecting ...\n")) << r.out;
    EXPECT_EQ(r.out.find("skip-blank", 1), std::string::npos) << "said once";
    const int runs = c.args.find("--repeat 2") == std::string::npos ? 1 : 2;
    EXPECT_EQ(dataFramesSent(r.err), runs * 0x4000 / 128);
  }
}

}  // namespace
}  // namespace qrk::test
