// qrkprog run --skip-blank against qrksim: the option reaches the run, and
// where it cannot apply the run says so once and sends every block.
#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

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
    std::string args;
    std::string said;
    int frames;
    std::string fill = "FF";
  };
  const Case cases[] = {
      // Six blocks of code, one of the serial number.
      {"run Auto --list Erase_All,Blank_Check,Program,Verify", "", 7 * 4},
      {"run Program", notChecked, kEveryBlock},
      {"run Auto --list Erase_All,Program --repeat 2 --delay 2", notChecked, 2 * kEveryBlock},
      {"run Auto --list Erase_All,Blank_Check,Program",
       "skip-blank: not used, the fill byte is 00\n", kEveryBlock, "00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Simulator sim("--model QRK5-16B --flash-out " + path("flash.bin"));
    const ProcessResult r =
        run(c.args + " --skip-blank --model QRK5-16B --file " + path("sparse.bin") + " --fill " +
            c.fill + " --trace --port " + sim.portPath());
    EXPECT_EQ(r.exitCode, 0) << describe(r);
    EXPECT_TRUE(r.out.starts_with(c.said + "We are connecting ...\n")) << r.out;
    EXPECT_EQ(r.out.find("skip-blank", c.said.size()), std::string::npos) << "said once";
    EXPECT_EQ(dataFramesSent(r.err), c.frames);
    sim.stop();
    EXPECT_TRUE(readFile(path("flash.bin")).starts_with(image)) << "the chip holds the image";
  }
}

}  // namespace
}  // namespace qrk::test
