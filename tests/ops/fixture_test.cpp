#include <gtest/gtest.h>

#include "ops/ops_bench.h"
#include "support/fake_command_runner.h"

namespace qrk {
namespace {

using test::FakeCommandRunner;
using test::OpsBench;

constexpr std::int64_t kBootWindowMs = 300;

struct FixtureBench : OpsBench {
  FixtureBench() : OpsBench("QRK5-16B", sim::DeviceOptions().withSwitchedSupply(kBootWindowMs)) {
    programmer.supply().setCommandRunner(&runner);
    programmer.startGate().setCommandRunner(&runner);
  }
  void use(std::string_view name) {
    SupplySwitch s = *supplySwitchNamed(name);
    s.onCommand = "relay on";
    s.offCommand = "relay off";
    programmer.supply().setSwitch(s);
  }
  // A relay the commands drive.
  void wireRelay() {
    for (const bool on : {true, false})
      runner.behaviours[on ? "relay on" : "relay off"].effect = [this, on] {
        sim.device.switchSupply(on, sim.loop.nowUs());
      };
  }
  FakeCommandRunner runner{sim.loop};
};

TEST(SupplyLine, EachPolarityPowersTheChipForItsRunAndLeavesItOff) {
  for (const auto& [name, line, inverted] : {std::tuple{"dtr", OutputLine::Dtr, false},
                                             {"rts", OutputLine::Rts, false},
                                             {"dtr-low", OutputLine::Dtr, true},
                                             {"rts-low", OutputLine::Rts, true}}) {
    SCOPED_TRACE(name);
    FixtureBench b;
    b.sim.port.wireSupply(line, inverted);
    b.use(name);
    const std::int64_t startedUs = b.sim.loop.nowUs();
    const RunResult result = b.production.run(FunctionId::VerifyId);
    EXPECT_TRUE(result.ok()) << b.pane();
    EXPECT_TRUE(result.supplySwitched);
    // Off for the whole off time first, then one power-on for the chip.
    EXPECT_GE(b.sim.device.poweredAtUs() - startedUs, 300'000);
    // Off after the run, the port closed: an inverted line stays asserted.
    EXPECT_FALSE(b.sim.device.supplyOn());
    EXPECT_EQ(b.sim.port.outputLine(line), inverted);
  }

  // Wired the other way round, the chip is powered while it should be off and
  // never gets its power-on handshake: the polarity matters.
  FixtureBench wrong;
  wrong.sim.port.wireSupply(OutputLine::Dtr, true);
  wrong.use("dtr");
  EXPECT_FALSE(wrong.production.run(FunctionId::VerifyId).ok());
  EXPECT_TRUE(wrong.paneHas("Communication is failure!"));
}

TEST(FixtureRefusals, APortWithoutTheModemLinesIsRefusedWithNothingSentAndEndsTheLoop) {
  FixtureBench b;
  b.sim.port.removeModemLines();
  b.use("rts-low");
  bool refused = false;
  const auto summary = b.production.reRun(FunctionId::Auto, 3,
                                          [&refused](const RunResult& r) { refused = r.refused; });
  EXPECT_EQ(summary.runs, 1);  // the loop ends at the refusal
  EXPECT_TRUE(refused && b.sim.port.written().empty() && !b.sim.port.isOpen());
  EXPECT_TRUE(b.paneHas("sim has no RTS line")) << b.pane();

  // A start line to wait on is refused the same way, before the first chip.
  FixtureBench noRi;
  noRi.sim.port.removeModemLines();
  noRi.programmer.startGate().setSignal(*startSignalNamed("ri"));
  const auto ended = noRi.production.reRun(FunctionId::Auto, 3);
  EXPECT_EQ(ended.runs, 0);
  ASSERT_TRUE(ended.refusal.has_value());
  EXPECT_EQ(ended.refusal->text,
            "sim has no RI line to wait on (a pseudo-terminal or an adapter without modem "
            "lines); nothing was sent");
  EXPECT_TRUE(noRi.sim.port.written().empty());
}

// A line drops at once; a command pair still runs its off command.
TEST(SupplySwitch, StopMidChipSwitchesTheSupplyOff) {
  for (const char* name : {"dtr", "dtr-low", "cmd"}) {
    SCOPED_TRACE(name);
    FixtureBench b;
    const bool line = name != std::string("cmd");
    if (line) b.sim.port.wireSupply(OutputLine::Dtr, name == std::string("dtr-low"));
    b.wireRelay();
    b.use(name);
    b.onFirstSent(cmd::kErase, [&b, line] {
      EXPECT_TRUE(b.sim.device.supplyOn());
      b.production.stopClicked();
      EXPECT_EQ(b.sim.device.supplyOn(), !line);
    });
    EXPECT_TRUE(b.production.run(FunctionId::Auto).stopped);
    EXPECT_FALSE(b.sim.device.supplyOn());
    if (!line) {
      EXPECT_EQ(b.runner.commands().back(), "relay off");
    }
  }
}

TEST(SupplyCommands, AHangingCommandIsKilledAndFailsTheChipNamingIt) {
  FixtureBench b;
  b.wireRelay();
  b.runner.behaviours["relay off"].hangs = true;
  b.use("cmd");
  // The chip itself passed, but it is not safe to take out.
  EXPECT_EQ(b.production.run(FunctionId::VerifyId).status.reason, Reason::Fixture);
  EXPECT_TRUE(b.paneHas("'relay off' did not exit within 10 s")) << b.pane();
  // Killed at the first off and the last (the failure's beeps besides).
  EXPECT_EQ(std::tuple(b.sim.loop.nowMs() / 1'000, b.runner.kills), std::tuple(20, 2));
}

// When each chip's run began, in virtual milliseconds.
std::vector<std::int64_t> runStarts(const test::PaneHost& host) {
  std::vector<std::int64_t> starts;
  for (const auto& [atMs, text] : host.replaced) {
    if (text.starts_with("We are connecting")) starts.push_back(atMs);
  }
  return starts;
}

TEST(StartSignal, AnInputLineStartsAChipOnlyWhenTheFixtureClosesAgain) {
  FixtureBench b;
  b.sim.port.wireSupply(OutputLine::Dtr);
  b.use("dtr");
  b.programmer.startGate().setSignal(*startSignalNamed("cts"));
  auto at = [&b](std::int64_t ms, bool active) {
    b.sim.loop.scheduleInMs(ms, [&b, active] { b.sim.port.setInputLine(InputLine::Cts, active); });
  };
  b.sim.port.setInputLine(InputLine::Cts, true);  // closed before the shift begins
  at(1'000, false);
  at(2'000, true);  // chip 1
  // Left closed after chip 1: no chip until it opens and closes again.
  at(9'000, false);
  at(9'500, true);  // chip 2
  b.sim.loop.scheduleInMs(10'000, [&b] { b.sim.port.setInputLine(InputLine::Dsr, true); });
  b.stopAfterMs(15'000);
  const auto summary = b.production.reRun(FunctionId::VerifyId, 5);
  EXPECT_EQ(runStarts(b.host), (std::vector<std::int64_t>{2'000, 9'500}));
  EXPECT_EQ(std::tuple(summary.runs, summary.succeeded, summary.stopped), std::tuple(2, 2, true));
  EXPECT_EQ(b.sim.loop.nowMs(), 15'000);  // Stop ended the wait at once
  EXPECT_FALSE(b.sim.port.isOpen());
}

// A start command that declines ends the shift; one that hangs fails the
// chip before anything is sent.
TEST(StartSignal, AStartCommandStartsChipsUntilItDeclinesAndAHungOneFailsTheChip) {
  StartSignal start = *startSignalNamed("cmd");
  start.portIndex = 1;
  start.command = "wait-for-lid";
  FixtureBench b;
  b.sim.port.wireSupply(OutputLine::Dtr);
  b.use("dtr");
  b.programmer.startGate().setSignal(start);
  b.runner.behaviours["wait-for-lid"] = {0, 4'000, false, {}};
  const auto summary = b.production.reRun(FunctionId::VerifyId, 0, [&b](const RunResult&) {
    if (runStarts(b.host).size() == 2) b.runner.behaviours["wait-for-lid"].exitCode = 1;
  });
  EXPECT_EQ(std::tuple(summary.runs, summary.succeeded, summary.stopped, summary.endedByStartSignal,
                       b.runner.started.size()),
            std::tuple(2, 2, false, true, 3u));
  EXPECT_EQ(runStarts(b.host).front(), 4'000);

  FixtureBench hung;
  start.command = "stuck";
  hung.programmer.startGate().setSignal(start);
  hung.runner.behaviours["stuck"].hangs = true;
  Reason failure = Reason::None;
  const auto ended = hung.production.reRun(FunctionId::VerifyId, 0,
                                           [&](const RunResult& r) { failure = r.status.reason; });
  EXPECT_EQ(std::tuple(ended.runs, failure, hung.runner.started.at(0).env("QRK_PORT_INDEX")),
            std::tuple(1, Reason::Fixture, "1"));
  EXPECT_TRUE(hung.paneHas("start command 'stuck' did not exit within 10 s")) << hung.pane();
  EXPECT_EQ(hung.sim.device.commandCount(cmd::kHandshake), 0);
}

}  // namespace
}  // namespace qrk
