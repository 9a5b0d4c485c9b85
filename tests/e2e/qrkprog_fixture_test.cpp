// qrkprog switching the supply of qrksim's chip (--supply-fifo) through shell
// commands, as a production fixture's relay would.
#include <sys/stat.h>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

class QrkprogFixture : public QrkprogTest {
 protected:
  // Scripts that log each switch ("PORT INDEX on") and drive the chip's
  // supply through its FIFO (the port's own FIFO in a gang).
  void writeSwitches(const std::string& onExit = "exit 0") {
    for (const std::string state : {"on", "off"}) {
      writeFile(path(state + ".sh"),
                "#!/bin/sh\necho \"$QRK_PORT $QRK_PORT_INDEX " + state + "\" >> " +
                    path("switches.log") + "\nfifo=" + path("supply") +
                    "\n[ -n \"$QRK_PORT_INDEX\" ] && [ -p \"$fifo$QRK_PORT_INDEX\" ] && " +
                    "fifo=\"$fifo$QRK_PORT_INDEX\"\necho " + state + " > \"$fifo\"\n" +
                    (state == "on" ? onExit : "") + "\n");
      ::chmod(path(state + ".sh").c_str(), 0755);
    }
  }
  std::string powerCmd() const {
    return " --power cmd --power-on-cmd " + path("on.sh") + " --power-off-cmd " + path("off.sh");
  }
  std::vector<std::string> switches() const {
    std::vector<std::string> lines;
    std::istringstream in(readFile(path("switches.log")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  static int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
      ++n;
    return n;
  }
};

TEST_F(QrkprogFixture, RepeatPowerCyclesEveryChipAndLeavesTheSupplyOff) {
  writeSwitches();
  const std::string image(0x400, '\x5A');
  writeFile(path("app.bin"), image);
  Simulator sim("--model QRK5-16B --flash-out " + path("flash.bin") + " --supply-fifo " +
                path("supply"));
  const std::string db = " --db " + path("line.sqlite");
  const ProcessResult r =
      run("run Auto --model QRK5-16B --file " + path("app.bin") + " --repeat 3 --delay 2 --port " +
              sim.portPath() + powerCmd() + db,
          0);
  EXPECT_EQ(count(r.out, "Auto       OK!"), 3) << r.out;
  // The record tells these chips from ones a person powered.
  const std::string csv = run("log --csv" + db).out;
  EXPECT_THAT(csv, HasSubstr(",supply_switched\n"));
  EXPECT_EQ(count(csv, ",1\n"), 3) << csv;
  sim.stop();
  // Each chip's first handshake reached it within its boot window.
  EXPECT_EQ(count(sim.err(), "handshake"), 3) << sim.err();
  EXPECT_EQ(readFile(path("flash.bin")).substr(0, image.size()), image);
  const std::string on = sim.portPath() + " 0 on", off = sim.portPath() + " 0 off";
  EXPECT_EQ(switches(), (std::vector<std::string>{off, on, off, on, off, on, off}));
}

TEST_F(QrkprogFixture, AFailingPowerCommandFailsTheChipAndNamesIt) {
  writeSwitches("exit 3");
  Simulator sim("--model QRK5-16B --supply-fifo " + path("supply"));
  const ProcessResult r =
      run("run Verify_ID --model QRK5-16B --events json --port " + sim.portPath() + powerCmd(), 1);
  // A line system learns why from the code, not from the words.
  EXPECT_THAT(r.out, HasSubstr("\"reason\":\"fixture\""));
  EXPECT_THAT(r.out,
              HasSubstr("Supply switch failed: '" + path("on.sh") + "' exited with status 3"));
  EXPECT_EQ(switches().back(), sim.portPath() + " 0 off");
}

TEST_F(QrkprogFixture, FixturesThatCannotWorkAreRefusedWithNothingSent) {
  Simulator sim("--model QRK5-16B");
  Simulator second("--model QRK5-16B");
  Simulator board("--board");
  writeFile(path("app.bin"), std::string(0x100, '\x5A'));
  const std::string verifyId = "run Verify_ID --model QRK5-16B --trace --port " + sim.portPath();
  for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
           {verifyId + " --power dtr", sim.portPath() + " has no DTR line"},
           {verifyId + " --power rts-low", sim.portPath() + " has no RTS line"},
           {verifyId + " --power cmd --power-on-cmd true", "--power-off-cmd"},
           {"board-download --model QRK5-32B --limit 10 --file " + path("app.bin") +
                " --power dtr --port " + board.portPath(),
            board.portPath() + " has no DTR line"},
           {"gang Verify_ID --model QRK5-16B --start-on enter --port " + sim.portPath() +
                " --port " + second.portPath(),
            "--start-on enter cannot start the chips of many ports"}}) {
    // The pane's first lines may come, but no frame and no answer.
    const ProcessResult r = run(args, 2);
    EXPECT_THAT(r.err, HasSubstr(message));
    EXPECT_THAT(r.err, Not(HasSubstr("->")));
    EXPECT_THAT(r.out, Not(HasSubstr("Version:")));
  }
}

TEST_F(QrkprogFixture, EachPortOfAGangSwitchesItsOwnChannel) {
  writeSwitches();
  Simulator first("--model QRK5-16B --supply-fifo " + path("supply0"));
  Simulator second("--model QRK5-16B --supply-fifo " + path("supply1"));
  run("gang Verify_ID --model QRK5-16B --repeat 1 --port " + first.portPath() + " --port " +
          second.portPath() + powerCmd(),
      0);
  first.stop();
  second.stop();
  EXPECT_EQ(count(first.err(), "handshake"), 1) << first.err();
  EXPECT_EQ(count(second.err(), "handshake"), 1) << second.err();
  const std::string log = readFile(path("switches.log"));
  EXPECT_THAT(log, HasSubstr(first.portPath() + " 0 on\n"));
  EXPECT_THAT(log, HasSubstr(second.portPath() + " 1 on\n"));
}

}  // namespace
}  // namespace qrk::test
