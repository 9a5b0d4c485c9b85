// qrkprog gang against four qrksim chips at once.
#include <map>

#include "e2e/process_harness.h"
#include "support/pseudo_terminal.h"

namespace qrk::test {
namespace {

constexpr std::size_t kImageSize = 0x8000;
const std::string kFirmware = pseudoRandomImage(kImageSize);

std::string str(const QJsonObject& event, const char* key) {
  return event.value(key).toString().toStdString();
}

class QrkprogGang : public QrkprogTest {
 protected:
  void startChips(bool faultyLast, const std::string& extra = "") {
    writeFile(path("app.bin"), kFirmware);
    for (int i = 0; i < 4; ++i) {
      const std::string fault = i == 3 && faultyLast ? " --fault bad-ack:all" : "";
      chips_.push_back(std::make_unique<Simulator>("--model QRK5-32B --flash-out " + flashPath(i) +
                                                   fault + " " + extra));
      ports_ += " --port " + chips_.back()->portPath();
    }
  }
  std::string flashPath(int i) const { return path("flash" + std::to_string(i) + ".bin"); }
  std::string gang(const std::string& options) const {
    return "gang Auto --model QRK5-32B --file " + path("app.bin") + " --fill FF" + ports_ + " " +
           options;
  }

  std::vector<std::unique_ptr<Simulator>> chips_;
  std::string ports_;
};

TEST_F(QrkprogGang, ThreePortsProgramTheImageAndTheFaultyOneFailsWithItsMessage) {
  startChips(true);
  ProcessResult r = run(gang("--repeat 1 --events json"), 1);

  // Each port's end, after its last Program progress where it had any.
  std::map<std::string, std::string> ports;
  const std::vector<QJsonObject> events = jsonEvents(r.out);
  for (const QJsonObject& e : events) {
    const std::string kind = str(e, "event"), port = str(e, "port");
    if (kind == "progress" && str(e, "phase") == "Program")
      ports[port] = std::to_string(e.value("bytes").toInteger()) + "/" +
                    std::to_string(e.value("total").toInteger()) + " ";
    if (kind == "run-ended" && e.value("ok").toBool()) ports[port] += "ok";
    if (kind == "run-ended" && !e.value("ok").toBool())
      ports[port] = str(e, "phase") + ": " + str(e, "reason") + ": " + str(e, "text");
  }
  const std::string whole = std::to_string(kImageSize) + "/" + std::to_string(kImageSize) + " ok";
  std::vector<std::string> expected(3, whole);
  expected.push_back("Program: refused: Program is failure!");
  std::vector<std::string> shown;
  for (const auto& chip : chips_) shown.push_back(ports[chip->portPath()]);
  EXPECT_EQ(shown, expected);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(str(events.back(), "event"), "result") << "the gang's result comes last";
  EXPECT_EQ(events.back().value("exit").toInt(), 1);

  // Redirected without events: a line per chip and a summary naming the port.
  r = run(gang("--repeat 2 --delay 2"), 1);
  const std::string faulty = chips_[3]->portPath();
  EXPECT_THAT(r.out, HasSubstr(chips_[0]->portPath() + " chip 2: OK\n"));
  EXPECT_THAT(r.out, HasSubstr(faulty + " chip 2: FAILED in Program: Program is failure!\n"));
  EXPECT_THAT(r.out, HasSubstr("gang: 3 of 4 ports succeeded, 6 of 8 chips OK\n  " +
                               chips_[0]->portPath() + ": 2 OK, 0 failed\n"));
  EXPECT_THAT(r.out, HasSubstr("  " + faulty +
                               ": 0 OK, 2 failed\n"
                               "    chip 1: FAILED in Program: Program is failure!\n"
                               "    chip 2: FAILED in Program: Program is failure!\n"));

  // Every port's runs counted into the one settings file they share: 3 + 6 chips.
  EXPECT_THAT(readFile(path("config/QRK Programmer.conf")), HasSubstr("Write_OK_Count=9\n"));

  // One --out for many ports: {port} names each port's own read-back file.
  run("gang Read_AP_ISP --repeat 1 --model QRK5-32B" + ports_ + " --out " + path("read-{port}.bin"),
      0);
  for (int i = 0; i < 3; ++i) {
    std::string name = chips_[i]->portPath().substr(std::string("/dev/").size());
    std::ranges::replace(name, '/', '_');
    EXPECT_TRUE(readFile(path("read-" + name + ".bin")).starts_with(kFirmware)) << name;
  }
  for (int i = 0; i < 4; ++i) {
    chips_[i]->stop();
    EXPECT_EQ(readFile(flashPath(i)).starts_with(kFirmware), i < 3) << "chip " << i;
  }
}

TEST_F(QrkprogGang, CtrlCStopsEveryPortWithTheStopCommand) {
  startChips(false, "--baud-emulation");
  ChildProcess child("qrkprog", gang("--events json --trace"));
  for (const auto& chip : chips_) {
    // A progress event of Program on this port: the port is mid-image.
    ASSERT_TRUE(child.waitForOutput(
        "\"phase\":\"Program\",\"port\":\"" + chip->portPath() + "\",\"run\":1,\"total\"", 20s))
        << child.out() << child.err();
  }
  child.sendSignal(SIGINT);
  const ProcessResult r = child.wait(10s);
  EXPECT_EQ(r.exitCode, 1) << describe(r);
  int stopped = 0;
  for (const QJsonObject& event : jsonEvents(r.out)) {
    // Stopped by the user, not failed: the reason code says so too.
    if (str(event, "event") == "run-ended" && event.value("stopped").toBool() &&
        str(event, "reason") == "stopped")
      ++stopped;
  }
  EXPECT_EQ(stopped, 4);
  for (const auto& chip : chips_) {
    // The trace of each port's run, passed on with its name in front.
    EXPECT_THAT(r.err, ::testing::ContainsRegex("\n" + chip->portPath() +
                                                ": \\[[^\n]*-> 46 B9 6A 00 08 82"))
        << r.err.substr(r.err.size() - 2000);
  }
  EXPECT_THAT(r.err, HasSubstr("gang: stopped by user"));
}

TEST_F(QrkprogGang, TheSamePortTwiceOrAMissingOneIsRefusedBeforeAnythingIsSent) {
  PseudoTerminal line;
  std::filesystem::create_symlink(line.slavePath(), path("ttyAlias"));
  writeFile(path("app.bin"), kFirmware);
  const std::string gangRun =
      "gang Auto --model QRK5-32B --file " + path("app.bin") + " --port " + line.slavePath();
  for (const auto& [ports, message] : std::vector<std::pair<std::string, std::string>>{
           {" --port " + path("ttyAlias"), "is the same device as --port " + line.slavePath()},
           {" --port " + path("absent"), path("absent") + ": no such device"},
           {" --port COM999", "COM999: this machine has"},
           {" --port usb:NO-SUCH-ADAPTER", "no USB serial adapter with serial number"}}) {
    expectRefused(gangRun + ports, message);
  }
  EXPECT_TRUE(line.readMaster(1, 100).empty()) << "no byte was sent";
}

}  // namespace
}  // namespace qrk::test
