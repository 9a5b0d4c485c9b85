// qrkprog board-image and board-download against qrksim --board: the board
// ends up holding exactly what board-image writes, through faults on the
// line; warnings, Ctrl-C and bad input end with the right status.
#include "e2e/process_harness.h"
#include "support/pseudo_terminal.h"

namespace qrk::test {
namespace {

using QrkprogBoard = QrkprogTest;

TEST_F(QrkprogBoard, TheBoardHoldsExactlyWhatBoardImageWritesThroughFaults) {
  writeFile(path("full.bin"), pseudoRandomImage(0xCC00));
  const std::string args =
      "--model QRK5-64B --fill FF --limit 1000000 --option LOCK=NO --file " + path("full.bin");
  run("board-image " + args + " --out " + path("image.bin"), 0);
  const std::string image = readFile(path("image.bin"));
  ASSERT_EQ(image.size(), 0x10000U);
  // A download sends two areas, board 0x2000..0xF3FF; the rest stays zero.
  EXPECT_EQ(image.substr(0, 0x2000), std::string(0x2000, '\0'));
  EXPECT_EQ(image.substr(0xF400), std::string(0xC00, '\0'));

  Simulator sim("--board --flash-out " + path("board.bin") +
                " --fault split:all@80 --fault split:12@data --fault split:300@data"
                " --fault bad-check:5 --fault drop:9@data --fault bad-ack:200 --fault drop:2@0E");
  EXPECT_THAT(run("board-download --port " + sim.portPath() + " " + args, 0).out,
              HasSubstr("\nDownload OK. / 下载成功。\n"));
  sim.stop();
  const std::string board = readFile(path("board.bin"));
  ASSERT_EQ(board.size(), 0x10000U);
  EXPECT_TRUE(board.substr(0x2000, 0xF400 - 0x2000) == image.substr(0x2000, 0xF400 - 0x2000))
      << "the board holds what board-image wrote";
  EXPECT_THAT(sim.err(), HasSubstr(" 0 mismatched"));
}

TEST_F(QrkprogBoard, DataTheBoardCannotHoldOrReachingItsCapacityNeedsYes) {
  writeFile(path("big.bin"), pseudoRandomImage(0xD001));
  const std::string common = "--model QRK5-64B --fill FF --limit 5 --file " + path("big.bin");
  EXPECT_THAT(run("board-image " + common + " --out " + path("image.bin"), 1).err,
              HasSubstr("Data from 0CC00H to 0D000H"));
  EXPECT_FALSE(std::filesystem::exists(path("image.bin")));
  run("board-image " + common + " --yes --out " + path("image.bin"), 0);

  Simulator sim("--board --capacity 52 --flash-out " + path("untouched.bin"));
  ProcessResult r = run("board-download --port " + sim.portPath() + " " + common, 1);
  EXPECT_THAT(r.out, HasSubstr("Download is cancelled"));
  EXPECT_THAT(r.err, HasSubstr("--yes downloads anyway"));
  EXPECT_THAT(r.out, Not(HasSubstr("We are connecting")));
  EXPECT_THAT(run("board-download --port " + sim.portPath() + " " + common + " --yes", 0).err,
              HasSubstr("此脱机烧录器最多下载 52K 程序和数据(含ISP程序), 超出部分将不下载。"));
}

TEST_F(QrkprogBoard, CtrlCStopsTheDownloadAsTheStopButtonDoes) {
  writeFile(path("app.bin"), pseudoRandomImage(0xCC00));
  Simulator sim("--board --baud-emulation");
  ChildProcess download("qrkprog", "board-download --model QRK5-64B --limit 3 --file " +
                                       path("app.bin") + " --port " + sim.portPath());
  ASSERT_TRUE(download.waitForOutput("正在下载 ...", 10s));
  download.sendSignal(SIGINT);
  const ProcessResult r = download.wait(10s);
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_THAT(r.out, HasSubstr("\nStop by user!\nOperation is stop.\n操作被停止.\n"));
  EXPECT_THAT(r.out, Not(HasSubstr("Download OK.")));
  EXPECT_THAT(r.err, HasSubstr("stopped by user"));
}

// The board's own refusals are passed on; neither command sends or writes.
TEST_F(QrkprogBoard, BadInputSendsAndWritesNothing) {
  writeFile(path("app.bin"), pseudoRandomImage(0x100));
  PseudoTerminal line;
  const std::string file = " --file " + path("app.bin");
  for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
           {"--model QRK5-16B --limit=abc" + file, "应大于 0"},
           {"--model QRK5-16B --limit=2.5" + file, "whole number"},
           {"--model QRK3-32F --limit 5" + file, "QRK5/3-xxA"},
           {"--model QRK5-16B --limit 5", "Please open file."},
           {"--model QRK5-16B --limit 5 --file " + path("missing.bin"), ""}}) {
    expectRefused("board-download --port " + line.slavePath() + " " + args, message);
    run("board-image " + args + " --out " + path("image.bin"), 2);
    EXPECT_FALSE(std::filesystem::exists(path("image.bin")));
  }
  EXPECT_TRUE(line.readMaster(1, 50).empty()) << "nothing was sent";
}

}  // namespace
}  // namespace qrk::test
