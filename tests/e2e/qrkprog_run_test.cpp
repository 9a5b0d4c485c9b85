// qrkprog run against qrksim and against lines where nothing answers:
// what is refused before the port, what goes to the chip, and the events
// (--events json) a line system follows, run after run, down to the exit status.
#include "e2e/process_harness.h"
#include "support/pseudo_terminal.h"

namespace qrk::test {
namespace {

using QrkprogRun = QrkprogTest;

// A kind-0 chip reports no ID of its own, so the command line compares it only
// with an ID the user gives rather than with another model's ID.
TEST_F(QrkprogRun, AKind0ModelIsComparedOnlyWithTheIdGivenByExpectId) {
  Simulator sim("--model QRK5-32D --id F001");
  const std::string port = " --model QRK5-32D --trace --port " + sim.portPath();
  // Without an ID, with a malformed one, or with one for a model that reports its own.
  for (const std::string& refused :
       {"run Verify_ID" + port, "run Auto" + port, "run Auto --list Erase_All,Verify_ID" + port,
        "run Verify_ID --expect-id F0012" + port, "run Verify_ID --expect-id G001" + port,
        "run Verify_ID --expect-id F001 --model QRK5-16B --trace --port " + sim.portPath()})
    expectRefused(refused, "--expect-id");
  EXPECT_THAT(run("run Verify_ID --expect-id f001" + port, 0).out, HasSubstr("MCU: QRK5/3-04A\n"));
  EXPECT_THAT(run("run Verify_ID --expect-id F002" + port, 1).out,
              HasSubstr("Already encrypt or Invalid MCU type!"));
  run("run Erase_All" + port, 0);  // nothing to compare, nothing refused
}

TEST_F(QrkprogRun, AHeldPortFailsToOpen) {
  PseudoTerminal line;
  ChildProcess holder("qrkprog", "run Blank_Check --model QRK5-16B --port " + line.slavePath());
  ASSERT_TRUE(holder.waitForOutput("We are connecting ...\n", 5s)) << holder.err();
  const ProcessResult r = run("run Erase_All --model QRK5-16B --port " + line.slavePath(), 1);
  EXPECT_EQ(r.out,
            "We are connecting ...\n\nOpen COM port is failure!\n"
            "The COM port opened by another Program or no the COM port.\n\n"
            "打开串口失败!\n串口已被其它程序打开或不存在。\n");
  EXPECT_THAT(r.err, HasSubstr("another program holds the port"));
}

// Nothing is sent and no chip is recorded for what can be checked without the chip.
TEST_F(QrkprogRun, RefusalsThatNeedNoChipComeBeforeThePort) {
  PseudoTerminal line;
  const std::string port = " --model QRK5-16B --trace --port " + line.slavePath();
  for (const auto& [refused, reason] : std::vector<std::pair<std::string, std::string>>{
           {"run Auto" + port, "give --file PATH"},
           {"run Program" + port, "give --file PATH"},
           {"run Auto --list Erase_All,Verify" + port, "give --file PATH"},
           {"run Read_AP_ISP --out " + path("missing/flash.bin") + port, "does not exist"},
           {"run Read_AP_ISP --out " + dir_ + port, "is a folder"},
           {"run Erase_All --serial --serial-address 1FFFF --serial-bytes 4" + port,
            "--serial-address HEX"}})
    expectRefused(refused, reason);
  EXPECT_THAT(run("log").out, Not(HasSubstr(line.slavePath())));
}

// The pane names the family of the chip's ID; the command line adds the
// model chosen, so that a user sees the --model to give.
TEST_F(QrkprogRun, AWrongModelIsNamedBesideTheChipsOwn) {
  Simulator sim("--model QRK5-16B");
  const ProcessResult r = run("run verify_id --model QRK5-04A --port " + sim.portPath(), 1);
  EXPECT_THAT(r.out, HasSubstr("MCU: QRK5/3-16B\nAlready encrypt or Invalid MCU type!\n"
                               "已加密或有疑问的 MCU 型号 \n"));
  EXPECT_THAT(r.err, HasSubstr("the model selected is QRK5-04A (ID F001), but the chip's ID F104 "
                               "belongs to QRK5-16B"));
}

// Choices on the command line go to the chip, not into the window's settings,
// which get only the counter the run advanced; --settings FILE is used instead.
TEST_F(QrkprogRun, OptionsGoToTheChipAndSettingsGetOnlyTheCounter) {
  Simulator sim("--model QRK3-32F");
  const std::string conf = path("config/QRK Programmer.conf");
  std::filesystem::create_directories(path("config"));
  const std::string saved =
      "[Settings]\nAuto_8=Write_Option\nAuto_9=Read_Option\nCombo2=2\nDeviceProducts=12\n"
      "Write_OK_Count=41\n";
  writeFile(conf, saved);
  const std::string autoRun = "run Auto --model QRK3-32F --port " + sim.portPath();
  ProcessResult r =
      run(autoRun + " --isp-space 1.5k --option LOCK=NO --option en6t=yes --trace", 0);
  EXPECT_THAT(r.out, HasSubstr("Write Option OK!"));
  EXPECT_THAT(r.out, HasSubstr("Auto       OK!\n"));
  // LOCK NO sets bit 0, HWEN_ISP keeps its default NO (bit 3); 1.5 K is size
  // code 13 in the high nibble; EN6T YES clears bit 2 of the second byte.
  EXPECT_THAT(r.err, HasSubstr("-> 6A 00 08 05 D9 FB 4B 16\n"));
  std::string expected = saved;
  expected.replace(expected.find("=41"), 3, "=42");
  EXPECT_EQ(readFile(conf), expected) << "the counter advanced; model and options stayed";

  writeFile(path("line3.ini"), "[Settings]\nAuto_8=Erase_All\nWrite_OK_Count=7\n");
  r = run(autoRun + " --settings " + path("line3.ini"), 0);
  EXPECT_THAT(r.out, HasSubstr("Erase_All       OK!"));
  EXPECT_THAT(r.out, Not(HasSubstr("Read_Option"))) << "the file's list, not the window's";
  EXPECT_THAT(readFile(path("line3.ini")), HasSubstr("Write_OK_Count=8"));
  EXPECT_EQ(readFile(conf), expected);
}

using QrkprogEvents = QrkprogTest;

// "event" of each line, with the step or text that matters for it.
std::vector<std::string> outline(const std::string& out) {
  std::vector<std::string> shown;
  for (const QJsonObject& e : jsonEvents(out)) {
    std::string item = e.value("event").toString().toStdString();
    if (e.contains("run")) item += " " + std::to_string(e.value("run").toInt());
    for (const char* key : {"phase", "text"})
      if (e.contains(key)) item += " " + e.value(key).toString().toStdString();
    if (e.contains("exit")) item += " exit=" + std::to_string(e.value("exit").toInt());
    for (const char* key : {"ok", "stopped"})
      if (e.contains(key)) item += std::string(" ") + key + "=" + "01"[e.value(key).toBool()];
    shown.push_back(item);
  }
  return shown;
}

// The countdown's rewritten line is not an event.
TEST_F(QrkprogEvents, RunsAreNumberedAndTheResultComesLast) {
  Simulator sim("--model QRK5-16B");
  const ProcessResult r = run(
      "run Verify_ID --model QRK5-16B --repeat 2 --delay 2 --events json --port " + sim.portPath(),
      0);
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

TEST_F(QrkprogEvents, AFailedRunNamesItsStepAndReason) {
  writeFile(path("not-a-port"), "");  // there, but no serial line
  const ProcessResult r =
      run("run Erase_All --model QRK5-16B --events json --port " + path("not-a-port"), 1);
  EXPECT_THAT(outline(r.out), testing::Contains("result Open COM port is failure! exit=1 ok=0"));
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
  const std::string program = "run Program --model QRK5-16B --fill FF --events json --file " +
                              path("app.bin") + " --port " + sim.portPath();
  const ProcessResult r = run(program, 0);
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
  const ProcessResult quiet = run(program + " --progress-every 0", 0);
  EXPECT_THAT(quiet.out, Not(HasSubstr("\"progress\"")));
  EXPECT_THAT(quiet.out, HasSubstr("\"event\":\"phase-ended\",\"ms\""));
}

}  // namespace
}  // namespace qrk::test
