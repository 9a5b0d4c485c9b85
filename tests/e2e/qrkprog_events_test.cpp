// qrkprog run --events json: stdout is nothing but events a line system can
// follow, run after run, down to the exit status.
#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

using QrkprogEvents = QrkprogTest;

// "event" of each line, with the step or text that matters for it.
std::vector<std::string> outline(const std::string& out) {
  std::vector<std::string> shown;
  for (const QJsonObject& e : jsonEvents(out)) {
    std::string item = e.value("event").toString().toStdString();
    if (e.contains("run")) item += " " + std::to_string(e.value("run").toInt());
    for (const char* key : {"phase", "text"}) {
      if (e.contains(key)) item += " " + e.value(key).toString().toStdString();
    }
    if (e.contains("exit")) item += " exit=" + std::to_string(e.value("exit").toInt());
    for (const char* key : {"ok", "stopped"}) {
      if (e.contains(key))
        item += std::string(" ") + key + "=" + (e.value(key).toBool() ? "1" : "0");
    }
    shown.push_back(item);
  }
  return shown;
}

// Two runs with the countdown between them: the countdown's rewritten line is
// not an event, each run is numbered, and the result comes last.
TEST_F(QrkprogEvents, RunsAreNumberedAndTheResultComesLast) {
  Simulator sim("--model QRK5-16B");
  const ProcessResult r =
      run("run Verify_ID --model QRK5-16B --repeat 2 --delay 2 --events json "
          "--port " +
          sim.portPath());
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  const std::vector<std::string> oneRun = {
      "phase-started Connect",     "message We are connecting ...", "message Version: 3.2",
      "message 烧录器版本号: 3.2", "phase-ended Connect ok=1",      "phase-started Verify_ID",
      "message MCU: QRK5/3-16B",   "phase-ended Verify_ID ok=1",    "run-ended ok=1 stopped=0"};
  std::vector<std::string> expected;
  for (const std::string run : {"1", "2"}) {
    expected.push_back("run-started " + run);
    for (const std::string& item : oneRun) {
      const auto space = item.find(' ');
      expected.push_back(item.substr(0, space) + " " + run + item.substr(space));
    }
  }
  expected.push_back("result exit=0 ok=1");
  EXPECT_EQ(outline(r.out), expected);
}

// A run that cannot open its port ends in the Connect step with its reason.
TEST_F(QrkprogEvents, AFailedRunNamesItsStepAndReason) {
  writeFile(path("not-a-port"), "");  // there, but no serial line
  const ProcessResult r =
      run("run Erase_All --model QRK5-16B --events json --port " + path("not-a-port"));
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  const std::vector<std::string> events = outline(r.out);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[events.size() - 2],
            "run-ended 1 Connect Open COM port is failure! ok=0 stopped=0");
  EXPECT_EQ(events.back(), "result Open COM port is failure! exit=1 ok=0");
  EXPECT_THAT(r.out, HasSubstr("\"phase\":\"Connect\",\"reason\":\"port\",\"run\":1,\"status\":-1,"
                               "\"stopped\":false,\"text\":\"Open COM port is failure!\""));
  EXPECT_THAT(r.out, HasSubstr("\"reason\":\"port\",\"runs\":1,\"succeeded\":0"));
}

// At the wire's pace the bar moves once a frame; its events come at most ten
// times a second, rise, and the step that succeeded ends at the image's size.
TEST_F(QrkprogEvents, ProgressComesTenTimesASecondAtMostAndEndsAtTheImageSize) {
  constexpr int kImageSize = 0x1800;
  writeFile(path("app.bin"), std::string(kImageSize, '\x5A'));
  Simulator sim("--model QRK5-16B --baud-emulation");
  const ProcessResult r = run("run Program --model QRK5-16B --fill FF --events json --file " +
                              path("app.bin") + " --port " + sim.portPath());
  EXPECT_EQ(r.exitCode, 0) << describe(r);
  std::vector<std::pair<qint64, qint64>> progress;  // ms, bytes
  for (const QJsonObject& e : jsonEvents(r.out)) {
    if (e.value("event").toString() != "progress") continue;
    EXPECT_EQ(e.value("total").toInteger(), kImageSize);
    progress.emplace_back(e.value("ms").toInteger(), e.value("bytes").toInteger());
  }
  // 6 KB take over half a second on the wire: several events, not one a frame.
  ASSERT_GE(progress.size(), 4u) << r.out;
  EXPECT_LT(progress.size(), 20u) << r.out;
  for (std::size_t i = 1; i < progress.size(); ++i) {
    EXPECT_GT(progress[i].second, progress[i - 1].second) << "event " << i;
    if (i + 1 < progress.size()) {
      EXPECT_GE(progress[i].first - progress[i - 1].first, 100) << "event " << i;
    }
  }
  EXPECT_EQ(progress.back().second, kImageSize);

  // A line system that needs no bar gets none, and still every step.
  const ProcessResult quiet =
      run("run Program --model QRK5-16B --fill FF --events json --progress-every 0 --file " +
          path("app.bin") + " --port " + sim.portPath());
  EXPECT_EQ(quiet.exitCode, 0) << describe(quiet);
  EXPECT_THAT(quiet.out, Not(HasSubstr("\"progress\"")));
  EXPECT_THAT(quiet.out, HasSubstr("\"event\":\"phase-ended\",\"ms\""));
}

}  // namespace
}  // namespace qrk::test
