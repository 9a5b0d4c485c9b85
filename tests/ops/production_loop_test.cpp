#include <gtest/gtest.h>

#include "link/frame.h"
#include "ops/ops_bench.h"

namespace qrk {
namespace {

using sim::Fault;
using sim::FaultKind;
using test::OpsBench;

// The pane replacements that show the countdown, with their instants.
std::vector<std::pair<std::int64_t, int>> countdownSteps(const test::PaneHost& host) {
  std::vector<std::pair<std::int64_t, int>> steps;
  const std::string marker = "\r\nwill Re-Run... ";
  for (const auto& [ms, text] : host.replaced) {
    const auto at = text.rfind(marker);
    if (at != std::string::npos && at + marker.size() < text.size()) {
      steps.emplace_back(ms, std::stoi(text.substr(at + marker.size())));
    }
  }
  return steps;
}

TEST(ReRunTest, CountsDownOneSecondAtATimeThenClearsThePaneAndRunsAgain) {
  OpsBench b;
  ASSERT_TRUE(b.programmer.production().setDelaySeconds(3));
  const auto summary = b.production.reRun("Verify_ID", 2);
  EXPECT_EQ(summary.runs, 2);
  EXPECT_TRUE(summary.allSucceeded());

  const auto steps = countdownSteps(b.host);
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].second, 3);
  EXPECT_EQ(steps[1].second, 2);
  EXPECT_EQ(steps[2].second, 1);
  EXPECT_EQ(steps[1].first - steps[0].first, 1000);
  EXPECT_EQ(steps[2].first - steps[1].first, 1000);
  // The line follows the first run's text, which stays as it was above it.
  const auto& first = b.host.replaced;
  auto it =
      std::find_if(first.begin(), first.end(), [](const auto& r) { return r.second.empty(); });
  ASSERT_NE(it, first.end());
  EXPECT_EQ(it->first - steps[2].first, 1000);
  ASSERT_NE(std::next(it), first.end());
  EXPECT_EQ(std::next(it)->second, "We are connecting ...\r\n");
  EXPECT_FALSE(b.programmer.controls().locked);
  EXPECT_EQ(b.sim.device.commandCount(cmd::kReadId), 4);
}

TEST(ReRunTest, AFailedAutoRunIsFollowedAfterTwoSeconds) {
  OpsBench b("QRK5-16B", sim::DeviceOptions().withFault(Fault::every(FaultKind::WrongId)));
  ASSERT_TRUE(b.programmer.production().setDelaySeconds(7));
  b.setList({"Verify_ID"});
  b.production.reRun("Auto", 2);
  auto steps = countdownSteps(b.host);
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].second, 2);

  // A single function that failed keeps the chosen delay.
  OpsBench single("QRK5-16B", sim::DeviceOptions().withFault(Fault::every(FaultKind::WrongId)));
  ASSERT_TRUE(single.programmer.production().setDelaySeconds(7));
  const auto summary = single.production.reRun("Verify_ID", 2);
  EXPECT_EQ(summary.succeeded, 0);
  steps = countdownSteps(single.host);
  ASSERT_EQ(steps.size(), 7u);
  EXPECT_EQ(steps[0].second, 7);
}

TEST(ReRunTest, StopDuringTheCountdownLeavesThePaneAndStartsNoRun) {
  OpsBench b;
  bool stoppedDuringCountdown = false;
  b.host.onReplaced = [&](const std::string& text) {
    if (!stoppedDuringCountdown && text.ends_with("will Re-Run... 4")) {
      stoppedDuringCountdown = true;
      b.stopAfterMs(300);
    }
  };
  const auto summary = b.production.reRun("Verify_ID");
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.runs, 1);
  EXPECT_TRUE(b.pane().ends_with("will Re-Run... 4\r\nStop by user!")) << b.pane();
  EXPECT_EQ(b.sim.port.openCount(), 1);
  EXPECT_TRUE(b.programmer.controls().runEnabled());
  EXPECT_TRUE(b.programmer.controls().reRunEnabled());
  EXPECT_FALSE(b.programmer.controls().stopEnabled);
}

TEST(ReRunTest, StopDuringTheHandshakeEndsItAtOnceAndNoFurtherRunStarts) {
  OpsBench b("QRK5-16B", sim::DeviceOptions().withPowerOnAfter(1'000'000));
  b.stopAfterMs(1500);
  const auto summary = b.production.reRun("Auto");
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.runs, 1);
  EXPECT_EQ(summary.succeeded, 0);
  EXPECT_LT(b.sim.loop.nowMs(), 1600);
  EXPECT_EQ(b.pane(), "We are connecting ...\r\n\r\nStop by user!");
  EXPECT_EQ(b.host.beeps, 0);
  EXPECT_EQ(b.sim.port.openCount(), 1);
}

TEST(RunLockTest, ARunHoldsTheControlsUntilItHasReturnedEvenAfterStop) {
  OpsBench b;
  RunControls during;
  RunControls afterStop;
  RunResult nested;
  nested.status = 0;
  bool clicked = false;
  // While the erase waits for its answer: a second Run click, then Stop.
  b.programmer.link().setTraceSink(
      [&](TraceDirection d, std::int64_t, std::span<const std::uint8_t> f) {
        if (clicked || d != TraceDirection::Sent || f.size() < 6 || f[5] != cmd::kErase) return;
        clicked = true;
        b.sim.loop.scheduleInUs(1, [&] {
          during = b.programmer.controls();
          nested = b.production.run("Verify_ID");
          b.production.stopClicked();
          afterStop = b.programmer.controls();
        });
      });
  const RunResult r = b.production.run("Erase_All");
  EXPECT_TRUE(during.locked);
  EXPECT_TRUE(during.stopEnabled);
  EXPECT_FALSE(during.runEnabled());
  EXPECT_FALSE(nested.ok());
  EXPECT_FALSE(nested.portOpened);
  // Stop ends the run but Run stays disabled until the run has unwound.
  EXPECT_FALSE(afterStop.runEnabled());
  EXPECT_FALSE(afterStop.stopEnabled);
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(b.programmer.controls().runEnabled());
  EXPECT_FALSE(b.programmer.controls().stopEnabled);
  EXPECT_EQ(b.sim.device.commandCount(cmd::kStop), 1);
  EXPECT_TRUE(std::any_of(b.sim.port.written().begin(), b.sim.port.written().end(),
                          [](const auto& f) { return f.size() > 5 && f[5] == cmd::kStop; }));

  // Stop while idle performs the whole sequence; the next Run starts normally.
  b.production.stopClicked();
  EXPECT_TRUE(b.production.run("Erase_All").ok());
}

}  // namespace
}  // namespace qrk
