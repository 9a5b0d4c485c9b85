// qrkprog board-image and board-download against qrksim --board: the board
// ends up holding exactly what board-image writes, through faults on the
// line; failures, warnings, Ctrl-C and bad input end with the right status.
#include "e2e/process_harness.h"
#include "support/pseudo_terminal.h"

namespace qrk::test {
namespace {

// The two areas a download sends: board 0x2000..0xF3FF.
std::string sentAreas(const std::string& memory) {
  return memory.size() == 0x10000 ? memory.substr(0x2000, 0xF400 - 0x2000) : "";
}

class QrkprogBoard : public QrkprogTest {
 protected:
  // board-image, then board-download into a fresh simulated board; the
  // board's memory must hold the image's two areas.
  void downloadMatchesImage(const std::string& imageArgs, const std::string& simArgs) {
    SCOPED_TRACE(imageArgs + " / " + simArgs);
    ProcessResult r = run("board-image " + imageArgs + " --out " + path("image.bin"));
    ASSERT_EQ(r.exitCode, 0) << describe(r);
    const std::string image = readFile(path("image.bin"));
    ASSERT_EQ(image.size(), 0x10000U);
    EXPECT_EQ(image.substr(0, 0x2000), std::string(0x2000, '\0'));
    EXPECT_EQ(image.substr(0xF400), std::string(0xC00, '\0'));

    Simulator sim("--board --flash-out " + path("board.bin") + " " + simArgs);
    r = run("board-download --port " + sim.portPath() + " " + imageArgs);
    EXPECT_EQ(r.exitCode, 0) << describe(r);
    EXPECT_THAT(r.out, HasSubstr("\nDownload OK. / 下载成功。\n"));
    sim.stop();
    EXPECT_TRUE(sentAreas(readFile(path("board.bin"))) == sentAreas(image))
        << "the board holds what board-image wrote";
    EXPECT_THAT(sim.err(), HasSubstr(" 0 mismatched"));
  }
};

TEST_F(QrkprogBoard, TheBoardHoldsExactlyWhatBoardImageWritesThroughFaults) {
  downloadMatchesImage("--model QRK5-16B --isp-space 4.0k --limit 500 --file " +
                           std::string(QRK_SOURCE_DIR) + "/firmware/examples/blink.hex",
                       "");
  writeFile(path("full.bin"), pseudoRandomImage(0xCC00));
  downloadMatchesImage(
      "--model QRK5-64B --fill FF --limit 1000000 --option LOCK=NO --file " + path("full.bin"),
      "--fault split:all@80 --fault split:12@data --fault split:300@data --fault bad-check:5 "
      "--fault drop:9@data "
      "--fault bad-ack:200 --fault drop:2@0E");
}

TEST_F(QrkprogBoard, APersistentFaultFailsWithThePanesFailureText) {
  writeFile(path("app.bin"), pseudoRandomImage(0x2000));
  Simulator sim("--board --fault bad-ack:30+");
  const ProcessResult r = run("board-download --model QRK5-32B --limit 10 --file " +
                              path("app.bin") + " --port " + sim.portPath());
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_THAT(r.out, HasSubstr("\nDownload is failure!\n下载失败。\n"));
  EXPECT_THAT(r.out, Not(HasSubstr("Download OK.")));
}

TEST_F(QrkprogBoard, DataTheBoardCannotHoldOrReachingItsCapacityNeedsYes) {
  writeFile(path("big.bin"), pseudoRandomImage(0xD001));
  const std::string common = "--model QRK5-64B --fill FF --limit 5 --file " + path("big.bin");
  ProcessResult r = run("board-image " + common + " --out " + path("image.bin"));
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_THAT(r.err, HasSubstr("Data from 0CC00H to 0D000H"));
  EXPECT_FALSE(std::filesystem::exists(path("image.bin")));
  EXPECT_EQ(run("board-image " + common + " --yes --out " + path("image.bin")).exitCode, 0);

  {
    Simulator sim("--board --capacity 52 --flash-out " + path("untouched.bin"));
    r = run("board-download --port " + sim.portPath() + " " + common);
    EXPECT_EQ(r.exitCode, 1) << describe(r);
    EXPECT_THAT(r.out, HasSubstr("Download is cancelled"));
    EXPECT_THAT(r.err, HasSubstr("--yes downloads anyway"));
    EXPECT_THAT(r.out, Not(HasSubstr("We are connecting")));
  }
  EXPECT_EQ(readFile(path("untouched.bin")), std::string(0x10000, '\xFF'));

  Simulator sim("--board --capacity 52");
  r = run("board-download --port " + sim.portPath() + " " + common + " --yes");
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_THAT(r.err,
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

TEST_F(QrkprogBoard, BadInputSendsAndWritesNothing) {
  writeFile(path("app.bin"), pseudoRandomImage(0x100));
  PseudoTerminal line;
  const std::string file = " --file " + path("app.bin");
  struct Case {
    std::string args;
    std::string message;
  };
  std::vector<Case> cases;
  // Every refused limit's message is the board's own; the command line passes
  // them on, an empty value too.
  for (const char* limit : {"abc", ""}) {
    cases.push_back({"--model QRK5-16B --limit=" + std::string(limit) + file, "应大于 0"});
  }
  cases.push_back({"--model QRK5-16B --limit=2.5" + file, "whole number"});
  cases.push_back({"--model QRK5-16B --limit 1000001" + file, "小于、等于 1000000"});
  cases.push_back({"--model QRK3-32F --limit 5" + file, "QRK5/3-xxA"});
  cases.push_back({"--model QRK5-32D --limit 5" + file, "QRK5/3-xxA"});
  cases.push_back({"--model QRK5-16B --limit 5", "Please open file."});
  cases.push_back({"--model QRK5-16B --limit 5 --file " + path("missing.bin"), ""});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    ProcessResult r = run("board-download --port " + line.slavePath() + " " + c.args);
    EXPECT_EQ(r.exitCode, 2) << describe(r);
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_EQ(r.out, "");
    r = run("board-image " + c.args + " --out " + path("image.bin"));
    EXPECT_EQ(r.exitCode, 2) << describe(r);
    EXPECT_FALSE(std::filesystem::exists(path("image.bin")));
  }
  EXPECT_TRUE(line.readMaster(1, 50).empty()) << "nothing was sent";
}

}  // namespace
}  // namespace qrk::test
