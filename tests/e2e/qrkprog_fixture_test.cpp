// qrkprog switching the supply of qrksim's chip (--supply-fifo) through shell
// commands, as a production fixture's relay would: power cycles per chip, the
// boot window, refusals, failing commands, Ctrl-C and a gang's channels.
#include <sys/stat.h>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

class QrkprogFixture : public QrkprogTest {
 protected:
  // Scripts that log each switch ("PORT INDEX on") and drive the chip's
  // supply through its FIFO; `onTail` runs after the chip got its power.
  void writeSwitches(const std::string& onTail = "", const std::string& onExit = "exit 0") {
    writeScript("on.sh", "echo \"$QRK_PORT $QRK_PORT_INDEX on\" >> " + path("switches.log") +
                             "\nfifo=" + path("supply") + "\n[ -n \"$QRK_PORT_INDEX\" ] && [ -p " +
                             "\"$fifo$QRK_PORT_INDEX\" ] && fifo=\"$fifo$QRK_PORT_INDEX\"\n" +
                             "echo on > \"$fifo\"\n" + onTail + "\n" + onExit + "\n");
    writeScript("off.sh", "echo \"$QRK_PORT $QRK_PORT_INDEX off\" >> " + path("switches.log") +
                              "\nfifo=" + path("supply") + "\n[ -n \"$QRK_PORT_INDEX\" ] && [ -p " +
                              "\"$fifo$QRK_PORT_INDEX\" ] && fifo=\"$fifo$QRK_PORT_INDEX\"\n" +
                              "echo off > \"$fifo\"\n");
  }
  void writeScript(const std::string& name, const std::string& body) {
    writeFile(path(name), "#!/bin/sh\n" + body);
    ::chmod(path(name).c_str(), 0755);
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
  const ProcessResult r = run("run Auto --model QRK5-16B --file " + path("app.bin") +
                              " --repeat 3 --delay 2 --port " + sim.portPath() + powerCmd() + db);
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_EQ(count(r.out, "Auto       OK!"), 3) << r.out;
  // The record tells these chips from ones a person powered.
  const std::string csv = run("log --csv" + db).out;
  EXPECT_THAT(csv, HasSubstr(",supply_switched\n"));
  EXPECT_EQ(count(csv, ",1\n"), 3) << csv;
  sim.stop();
  // Each chip's first handshake reached it within its boot window.
  EXPECT_EQ(count(sim.err(), "handshake"), 3) << sim.err();
  EXPECT_EQ(readFile(path("flash.bin")).substr(0, image.size()), image);
  const std::vector<std::string> log = switches();
  ASSERT_EQ(log.size(), 7u);
  for (std::size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i], sim.portPath() + " 0 " + (i % 2 == 0 ? "off" : "on"));
  }
}

TEST_F(QrkprogFixture, AStartCommandStartsEachChipAndEndsTheShiftByDeclining) {
  writeSwitches();
  // Starts two chips, then says the shift is over.
  writeScript("start.sh", "echo start >> " + path("switches.log") + "\n[ $(grep -c start " +
                              path("switches.log") + ") -le 2 ]\n");
  Simulator sim("--model QRK5-16B --supply-fifo " + path("supply"));
  const ProcessResult r =
      run("run Verify_ID --model QRK5-16B --repeat 10 --start-on cmd --start-cmd " +
          path("start.sh") + " --port " + sim.portPath() + powerCmd());
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  EXPECT_EQ(count(r.out, "MCU: QRK5/3-16B"), 2) << r.out;
  const std::string on = sim.portPath() + " 0 on";
  const std::string off = sim.portPath() + " 0 off";
  EXPECT_EQ(switches(),
            (std::vector<std::string>{"start", off, on, off, "start", on, off, "start"}));
}

TEST_F(QrkprogFixture, AHandshakeAfterTheBootWindowFindsNoBootloader) {
  writeSwitches("sleep 0.4");
  Simulator sim("--model QRK5-16B --boot-window 100 --supply-fifo " + path("supply"));
  const ProcessResult r =
      run("run Verify_ID --model QRK5-16B --port " + sim.portPath() + powerCmd());
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_THAT(r.out, HasSubstr("Communication is failure!"));
  EXPECT_EQ(switches().back(), sim.portPath() + " 0 off");
}

TEST_F(QrkprogFixture, AFailingPowerCommandFailsTheChipAndNamesIt) {
  writeSwitches("", "exit 3");
  Simulator sim("--model QRK5-16B --supply-fifo " + path("supply"));
  const ProcessResult r = run("run Verify_ID --model QRK5-16B --events json --port " +
                              sim.portPath() + powerCmd());
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  // A line system learns why from the code, not from the words.
  EXPECT_THAT(r.out, HasSubstr("\"reason\":\"fixture\""));
  EXPECT_THAT(r.out,
              HasSubstr("Supply switch failed: '" + path("on.sh") + "' exited with status 3"));
  EXPECT_EQ(switches().back(), sim.portPath() + " 0 off");
}

TEST_F(QrkprogFixture, AModemLineOnAPseudoTerminalIsRefusedWithNothingSent) {
  Simulator sim("--model QRK5-16B");
  for (const char* line : {"dtr", "rts-low"}) {
    const ProcessResult r = run("run Verify_ID --model QRK5-16B --trace --power " +
                                std::string(line) + " --port " + sim.portPath());
    EXPECT_EQ(r.exitCode, 2) << describe(r);
    const std::string name = line[0] == 'd' ? "DTR" : "RTS";
    EXPECT_THAT(r.err, HasSubstr(sim.portPath() + " has no " + name + " line"));
    EXPECT_THAT(r.err, Not(HasSubstr("68 00")));  // no frame in the trace
  }
  // A command pair needs both commands.
  EXPECT_EQ(
      run("run Verify_ID --port " + sim.portPath() + " --power cmd --power-on-cmd true").exitCode,
      2);
  // One terminal cannot start the chips of many ports: refused before either opens.
  Simulator second("--model QRK5-16B");
  const ProcessResult gang = run("gang Verify_ID --model QRK5-16B --start-on enter --port " +
                                 sim.portPath() + " --port " + second.portPath());
  EXPECT_EQ(gang.exitCode, 2) << describe(gang);
  EXPECT_THAT(gang.err, HasSubstr("--start-on enter cannot start the chips of many ports"));
  EXPECT_EQ(gang.out, "");
}

TEST_F(QrkprogFixture, DemoWriteAndTheBoardsDownloadSwitchTheSupplyToo) {
  writeSwitches();
  Simulator sim("--model QRK5-16B --supply-fifo " + path("supply"));
  const ProcessResult r = run("demo-write --model QRK5-16B --port " + sim.portPath() + powerCmd());
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  const std::string on = sim.portPath() + " 0 on";
  const std::string off = sim.portPath() + " 0 off";
  EXPECT_EQ(switches(), (std::vector<std::string>{off, on, off}));

  writeFile(path("app.bin"), std::string(0x100, '\x5A'));
  Simulator board("--board");
  const ProcessResult refused = run("board-download --model QRK5-32B --limit 10 --file " +
                                    path("app.bin") + " --power dtr --port " + board.portPath());
  EXPECT_EQ(refused.exitCode, 2) << describe(refused);
  EXPECT_THAT(refused.err, HasSubstr(board.portPath() + " has no DTR line"));
  EXPECT_THAT(refused.out, Not(HasSubstr("Version:")));
}

TEST_F(QrkprogFixture, CtrlCMidChipLeavesTheSupplyOff) {
  writeSwitches();
  writeFile(path("app.bin"), std::string(0x8000, '\x5A'));
  Simulator sim("--model QRK5-32B --baud-emulation --supply-fifo " + path("supply"));
  ChildProcess child("qrkprog", "run Auto --model QRK5-32B --file " + path("app.bin") + " --port " +
                                    sim.portPath() + powerCmd());
  ASSERT_TRUE(child.waitForOutput("Version:", 10s)) << child.out() << child.err();
  child.sendSignal(SIGINT);
  const ProcessResult r = child.wait(20s);
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  EXPECT_EQ(switches().back(), sim.portPath() + " 0 off");
}

TEST_F(QrkprogFixture, AGangSwitchesEachPortsOwnChannel) {
  writeSwitches();
  Simulator first("--model QRK5-16B --supply-fifo " + path("supply0"));
  Simulator second("--model QRK5-16B --supply-fifo " + path("supply1"));
  const ProcessResult r = run("gang Verify_ID --model QRK5-16B --repeat 1 --port " +
                              first.portPath() + " --port " + second.portPath() + powerCmd());
  EXPECT_EQ(r.exitCode, 0) << describe(r);
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
